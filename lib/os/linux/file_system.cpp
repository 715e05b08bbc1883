#include "os/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "os/linux/errno_error.h"
#include "os/linux/trusted_path.h"
#include "os/linux/unique_fd.h"
#include "text/path_text.h"

namespace NOs {
namespace {

// The folder that holds path, to open: "." for a bare name, "/" for the root.
std::string FolderToOpen(const std::string& path) {
    if (path.find('/') == std::string::npos) {
        return ".";
    }
    const std::string_view folder = ParentFolder(path);
    return folder.empty() ? "/" : std::string(folder);
}

}  // namespace

NPathKind GetPathKind(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return NPathKind::Missing;
    }
    return S_ISDIR(info.st_mode) ? NPathKind::Folder : NPathKind::File;
}

NStatus CreateFolder(const std::string& path) {
    const NResult<std::string> resolved = ResolveTrustedPath(path, NLastLink::Keep);
    if (!resolved) {
        return resolved.Error();
    }
    return ::mkdir(resolved.Value().c_str(), 0755) == 0 ? Ok() : LastError();
}

NStatus RemoveRegularFile(const std::string& path) {
    const NResult<std::string> resolved = ResolveTrustedPath(path, NLastLink::Keep);
    if (!resolved) {
        return resolved.Error();
    }
    const std::string name(LastName(resolved.Value()));
    if (name.empty()) {
        return std::errc::invalid_argument;
    }
    // The test and the removal name the same entry of the same folder.
    const NUniqueFd parent(
        ::open(FolderToOpen(resolved.Value()).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat info {};
    if (!parent.IsValid() ||
        ::fstatat(parent.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return LastError();
    }
    if (!S_ISREG(info.st_mode)) {
        return NObjectError::NotRegular;
    }
    return ::unlinkat(parent.Get(), name.c_str(), 0) == 0 ? Ok() : LastError();
}

}  // namespace NOs
