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

bool NDynamicLibrary::Open(const std::string& path) {
    Close();
    m_bOutOfResources = false;
    // A bare name would be searched for along the library path.
    if (path.empty() || path.front() != '/') {
        m_strError = "not an absolute path: " + path;
        return false;
    }
    if (const NStatus loadable = CheckLoadable(path); !loadable) {
        m_bOutOfResources = IsLackOfResources(loadable.Error());
        m_strError = "cannot load " + path + ": " + loadable.Error().Message();
        return false;
    }
    m_pHandle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    m_strError = m_pHandle != nullptr ? std::string() : TakeDlError("cannot load " + path);
    return m_pHandle != nullptr;
}

void NDynamicLibrary::Close() {
    if (m_pHandle != nullptr) {
        ::dlclose(m_pHandle);
        m_pHandle = nullptr;
    }
}

void* NDynamicLibrary::FindSymbol(const char* name) {
    if (m_pHandle == nullptr) {
        m_strError = std::string("no library loaded for ") + name;
        return nullptr;
    }
    ::dlerror();
    void* address = ::dlsym(m_pHandle, name);
    m_strError =
        address != nullptr ? std::string() : TakeDlError(std::string(name) + ": null address");
    return address;
}

}  // namespace NOs
