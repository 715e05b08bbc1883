#include "os/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

namespace NOs {

NFileKind GetFileKind(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return NFileKind::Missing;
    }
    return S_ISDIR(info.st_mode) ? NFileKind::Folder : NFileKind::File;
}

bool CreateFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0755) == 0;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

}  // namespace NOs
