#include "os/module_file.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "os/linux/errno_error.h"

namespace NOs {
namespace {

NResult<std::string> ReadExecutablePath() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof(path));
    if (length < 0) {
        return LastError();
    }
    if (length == 0 || static_cast<size_t>(length) >= sizeof(path)) {
        return std::errc::filename_too_long;
    }
    return std::string(path, static_cast<size_t>(length));
}

NResult<std::string> ResolveModulePath(const void* address) {
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        return std::errc::bad_address;  // no module holds it
    }
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(info.dli_fname, nullptr),
                                                               &std::free);
    return resolved ? std::string(resolved.get()) : std::string(info.dli_fname);
}

}  // namespace

// The executable's path is read once: like Windows, which reports the path
// the program was started from, and without a system call on each of the
// agent's cycles.
NResult<std::string> GetModuleFilePath(const void* address) {
    if (address == nullptr) {
        static const NResult<std::string> executablePath = ReadExecutablePath();
        return executablePath;
    }
    return ResolveModulePath(address);
}

}  // namespace NOs
