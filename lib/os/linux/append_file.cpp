#include "os/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "os/linux/errno_error.h"
#include "os/linux/trusted_path.h"
#include "os/linux/unique_fd.h"

namespace NOs {
namespace {

bool IsTrustedPlainFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && IsTrustedAccount(info.st_uid);
}

}  // namespace

int AppendFileOpenFlags() { return O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC; }

NResult<int> OpenAppendFile(const std::string& path, uint32_t mode) {
    const NResult<std::string> resolved = ResolveTrustedPath(path, NLastLink::Keep);
    if (!resolved) {
        return resolved.Error();
    }
    NUniqueFd file(::open(resolved.Value().c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | AppendFileOpenFlags(), mode));
    struct stat info {};
    if (!file.IsValid() || ::fstat(file.Get(), &info) != 0) {
        return LastError();
    }
    if (!IsTrustedPlainFile(info)) {
        return S_ISREG(info.st_mode) ? NObjectError::Untrusted : NObjectError::NotRegular;
    }
    return file.Release();
}

NStatus PrepareAppendFile(const std::string& path, uint32_t mode) {
    const NResult<int> opened = OpenAppendFile(path, mode);
    if (!opened) {
        return opened.Error();
    }
    NUniqueFd(opened.Value()).Reset();
    return Ok();
}

bool IsOpenFileAt(int fd, const std::string& path) {
    struct stat open {};
    struct stat named {};
    return fd >= 0 && ::fstat(fd, &open) == 0 && open.st_nlink > 0 &&
           ::lstat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino && IsTrustedPlainFile(open);
}

}  // namespace NOs
