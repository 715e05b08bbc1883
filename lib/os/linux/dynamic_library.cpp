#include "os/dynamic_library.h"

#include <dlfcn.h>

#include "os/linux/trusted_path.h"
#include "os/linux/whole_object.h"

namespace NOs {
namespace {

// The text of the last dl* failure, or fallback when none was recorded;
// dlerror also clears it.
std::string TakeDlError(const std::string& fallback) {
    const char* text = ::dlerror();
    return text != nullptr ? std::string(text) : fallback;
}

// Code is loaded only from a file that no untrusted account can change, and
// only when it is whole.
NStatus CheckLoadable(const std::string& path) {
    const NResult<NTrustedFile> file = OpenTrustedFile(path);
    if (!file) {
        return file.Error();
    }
    return CheckWholeSharedObject(file.Value().fd, file.Value().nSize);
}

bool IsLackOfResources(const NError& error) {
    return error == std::errc::too_many_files_open ||
           error == std::errc::too_many_files_open_in_system ||
           error == std::errc::not_enough_memory;
}

}  // namespace

void NLibraryTraits::Close(void* handle) { ::dlclose(handle); }

NLibraryStatus NDynamicLibrary::Open(const std::string& path) {
    Close();
    const std::string failure = "cannot load " + path + ": ";
    // A bare name would be searched for along the library path.
    if (path.empty() || path.front() != '/') {
        return NLibraryError(failure + "not an absolute path");
    }
    if (const NStatus loadable = CheckLoadable(path); !loadable) {
        return NLibraryError(failure + loadable.Error().Message(),
                             IsLackOfResources(loadable.Error()));
    }
    m_handle.Reset(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!IsOpen()) {
        return NLibraryError(failure + TakeDlError("the loader gives no reason"));
    }
    return Ok<NLibraryError>();
}

NTextResult<void*> NDynamicLibrary::FindSymbol(const char* name) const {
    if (!IsOpen()) {
        return NReason(std::string("no library loaded for ") + name);
    }
    ::dlerror();
    void* address = ::dlsym(m_handle.Get(), name);
    if (address == nullptr) {
        return NReason(TakeDlError(std::string(name) + ": null address"));
    }
    return address;
}

}  // namespace NOs
