#pragma once
// The file a process appends its log to, for a log library that keeps the
// descriptor itself. On Linux such a file lies at the end of a trusted path
// (linux/trusted_path.h), is never reached through a link at its end, never
// blocks its opener (a FIFO), and is used only as a plain file of a trusted
// account. On Windows the file's own access rules decide.

#include <cstdint>
#include <string>

#include "os/result.h"

namespace NOs {

// Flags that a log library adds to those of its own opens of the file, so
// that a reopen of its own (after a roll-over) cannot follow a link or block.
int AppendFileOpenFlags();

// Opens the plain file at path for appending, made with mode when missing.
// The caller owns the descriptor and closes it.
NResult<int> OpenAppendFile(const std::string& path, uint32_t mode);

// Makes sure that the plain file at path can be opened for appending.
NStatus PrepareAppendFile(const std::string& path, uint32_t mode);

// True while fd is open on the file that path names, a plain file of a
// trusted account: false once the file was removed, renamed or replaced.
bool IsOpenFileAt(int fd, const std::string& path);

}  // namespace NOs
