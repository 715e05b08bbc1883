#include "os/module_file.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace NOs {
namespace {

std::string ReadExecutablePath() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof(path));
    if (length <= 0 || static_cast<size_t>(length) >= sizeof(path)) {
        return {};
    }
    return std::string(path, static_cast<size_t>(length));
}

std::string ResolveModulePath(const void* address) {
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(info.dli_fname, nullptr),
                                                               &std::free);
    return resolved ? std::string(resolved.get()) : std::string(info.dli_fname);
}

}  // namespace

std::string GetModuleFilePath(const void* address) {
    return address == nullptr ? ReadExecutablePath() : ResolveModulePath(address);
}

}  // namespace NOs
