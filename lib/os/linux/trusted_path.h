#pragma once
// Trusted paths, as OpenSSH's StrictModes has them: a path that no account
// but root, the owner of the running program's file and the account that
// runs it can change. Each folder on the way belongs to one of them and no
// other account can write it, except a sticky folder that every account may
// write (like /tmp), which counts only as the folder of an entry that a
// trusted account owns. Links are followed only where they stand in such
// folders.

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "os/linux/unique_fd.h"
#include "os/result.h"

namespace NOs {

// Whether the account counts as trusted for this process.
bool IsTrustedAccount(uid_t uid);

// What a link at the path's end does.
enum class NLastLink { Follow, Keep };

// The path with every link on the way resolved, once each folder on it is
// trusted. The last entry may be missing; when it is a folder it is checked
// as the others, and in a shared sticky folder a trusted account must own
// it. Its owner is otherwise left to the caller (OpenTrustedFile checks it).
// A relative path counts from the working folder.
// NObjectError::UnsafeFolder names the first component that fails.
NResult<std::string> ResolveTrustedPath(const std::string& path, NLastLink last);

// A plain file opened for reading, with its size when it was opened.
struct NTrustedFile {
    NUniqueFd fd;
    uint64_t nSize = 0;
};

// Opens the plain file at the end of a trusted path for reading, never
// through a link at its end and never waiting on a FIFO or device; only a
// file that no account but a trusted one can change is kept.
NResult<NTrustedFile> OpenTrustedFile(const std::string& path);

}  // namespace NOs
