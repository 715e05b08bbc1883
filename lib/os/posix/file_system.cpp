#include "os/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "os/posix/unique_fd.h"

namespace NOs {
namespace {

// The folder that holds path and the last name in it ("." for a bare name).
std::pair<std::string, std::string> SplitParent(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {".", path};
    }
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

NFileKind GetFileKind(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return NFileKind::Missing;
    }
    return S_ISDIR(info.st_mode) ? NFileKind::Folder : NFileKind::File;
}

bool CreateFolder(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

bool RemoveRegularFile(const std::string& path) {
    const auto [parentPath, name] = SplitParent(path);
    // The test and the removal name the same entry of the same folder.
    const NUniqueFd parent(::open(parentPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat info {};
    return parent.IsValid() && !name.empty() &&
           ::fstatat(parent.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(info.st_mode) && ::unlinkat(parent.Get(), name.c_str(), 0) == 0;
}

}  // namespace NOs
