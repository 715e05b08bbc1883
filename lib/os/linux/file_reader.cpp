#include "os/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "os/linux/errno_error.h"
#include "os/linux/retry_interrupted.h"
#include "os/linux/trusted_path.h"
#include "os/linux/unique_fd.h"

namespace NOs {
namespace {

// The rest of an open plain file, of at most maxBytes.
NResult<std::string> ReadAll(const NUniqueFd& file, size_t maxBytes) {
    // Some files (those of /proc) tell no size: the reads decide.
    std::string content;
    char chunk[4096];
    for (;;) {
        const ssize_t count =
            RetryInterrupted([&] { return ::read(file.Get(), chunk, sizeof(chunk)); });
        if (count == 0) {
            return content;
        }
        if (count < 0) {
            return LastError();
        }
        if (content.size() + static_cast<size_t>(count) > maxBytes) {
            return std::errc::file_too_large;
        }
        content.append(chunk, static_cast<size_t>(count));
    }
}

}  // namespace

NResult<std::string> ReadWholeFile(const std::string& path, size_t maxBytes) {
    const NUniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat info {};
    if (!file.IsValid() || ::fstat(file.Get(), &info) != 0) {
        return LastError();
    }
    if (!S_ISREG(info.st_mode)) {
        return NObjectError::NotRegular;
    }
    return ReadAll(file, maxBytes);
}

NResult<std::string> ReadTrustedFile(const std::string& path, size_t maxBytes) {
    const NResult<NTrustedFile> file = OpenTrustedFile(path);
    if (!file) {
        return file.Error();
    }
    return ReadAll(file.Value().fd, maxBytes);
}

}  // namespace NOs
