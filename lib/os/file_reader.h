#pragma once
// Whole files read at once, for the small files of settings and of the
// registry.

#include <cstddef>
#include <string>

#include "os/result.h"

namespace NOs {

// The content of the plain file at path, of at most maxBytes: for anything
// else (missing, a folder, a device, a FIFO, which cannot stall the open) or
// a longer file, the reason. A file that grows while it is read is cut at
// maxBytes and refused.
NResult<std::string> ReadWholeFile(const std::string& path, size_t maxBytes);

// The same for a file that settings or code come from, which a process
// running as root must not take from another account: on Linux the file must
// lie at the end of a trusted path and no account but a trusted one may
// change it (see linux/trusted_path.h); a link at its end is not followed.
// On Windows the file's own access rules decide, as for ReadWholeFile.
NResult<std::string> ReadTrustedFile(const std::string& path, size_t maxBytes);

}  // namespace NOs
