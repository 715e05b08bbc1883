#pragma once
// File system services: the kind of a path, folders, file removal.
// Paths are the system's own bytes (UTF-8 where they are text).

#include <string>

#include "os/result.h"

namespace NOs {

// What a path names.
enum class NPathKind { Missing, File, Folder };

// Follows symbolic links; anything that is not a folder counts as a file.
NPathKind GetPathKind(const std::string& path);

// Creates one folder with mode 0755 (less the umask). On Linux, only at the
// end of a trusted path (see trusted_path.h): NObjectError::UnsafeFolder
// otherwise.
NStatus CreateFolder(const std::string& path);

// Removes the path only when it is a plain file itself: a link (even to a
// plain file), a device, a FIFO, a socket or a folder is left alone
// (NObjectError::NotRegular). On Linux, only at the end of a trusted path.
NStatus RemoveRegularFile(const std::string& path);

}  // namespace NOs
