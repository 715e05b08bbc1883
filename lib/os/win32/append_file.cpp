#include "os/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

// The log library opens its file with the C runtime's open: so does this
// side, and Windows' own access rules decide who may change the file.
namespace NOs {

int AppendFileOpenFlags() { return 0; }

NResult<int> OpenAppendFile(const std::string& path, uint32_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, static_cast<mode_t>(mode));
    if (fd < 0) {
        return NError::FromErrno(errno);
    }
    return fd;
}

NStatus PrepareAppendFile(const std::string& path, uint32_t mode) {
    const NResult<int> opened = OpenAppendFile(path, mode);
    if (!opened) {
        return opened.Error();
    }
    ::close(opened.Value());
    return Ok();
}

// An open file keeps its name on Windows.
bool IsOpenFileAt(int fd, const std::string& /*path*/) { return fd >= 0; }

}  // namespace NOs
