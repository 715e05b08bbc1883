#include "os/dynamic_library.h"

#include <windows.h>

#include "os/win32/wide_text.h"

namespace NOs {
namespace {

std::string WindowsErrorText(const std::string& what) {
    return what + " (Windows error " + std::to_string(::GetLastError()) + ")";
}

// "C:/x", "C:\x", "\\server\share" and, under Wine, "/x".
bool IsAbsolutePath(const std::string& path) {
    const bool drive = path.size() > 2 && path[1] == ':' && (path[2] == '/' || path[2] == '\\');
    return drive || (!path.empty() && (path[0] == '/' || path[0] == '\\'));
}

}  // namespace

bool NDynamicLibrary::Open(const std::string& path) {
    Close();
    // A bare name would be searched for along the DLL search path.
    if (!IsAbsolutePath(path)) {
        m_strError = "not an absolute path: " + path;
        return false;
    }
    m_pHandle = ::LoadLibraryW(WidePointer(PathToWide(path)));
    m_strError = m_pHandle != nullptr ? std::string() : WindowsErrorText("cannot load " + path);
    return m_pHandle != nullptr;
}

void NDynamicLibrary::Close() {
    if (m_pHandle != nullptr) {
        ::FreeLibrary(static_cast<HMODULE>(m_pHandle));
        m_pHandle = nullptr;
    }
}

void* NDynamicLibrary::FindSymbol(const char* name) {
    if (m_pHandle == nullptr) {
        m_strError = std::string("no library loaded for ") + name;
        return nullptr;
    }
    void* address =
        reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(m_pHandle), name));
    m_strError =
        address != nullptr ? std::string() : WindowsErrorText(std::string(name) + " missing");
    return address;
}

}  // namespace NOs
