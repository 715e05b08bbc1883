#include "os/dynamic_library.h"

#include <windows.h>

#include "os/win32/wide_text.h"

// The portable handle is the HMODULE that LoadLibraryW gives.
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

HMODULE AsModule(void* handle) { return static_cast<HMODULE>(handle); }

}  // namespace

void NLibraryTraits::Close(void* handle) { ::FreeLibrary(AsModule(handle)); }

NLibraryStatus NDynamicLibrary::Open(const std::string& path) {
    Close();
    // A bare name would be searched for along the DLL search path.
    if (!IsAbsolutePath(path)) {
        return NLibraryError("cannot load " + path + ": not an absolute path");
    }
    m_handle.Reset(::LoadLibraryW(WidePointer(PathToWide(path))));
    if (!IsOpen()) {
        return NLibraryError(WindowsErrorText("cannot load " + path));
    }
    return Ok<NLibraryError>();
}

NTextResult<void*> NDynamicLibrary::FindSymbol(const char* name) const {
    if (!IsOpen()) {
        return NReason(std::string("no library loaded for ") + name);
    }
    const FARPROC address = ::GetProcAddress(AsModule(m_handle.Get()), name);
    if (address == nullptr) {
        return NReason(WindowsErrorText(std::string(name) + " missing"));
    }
    return reinterpret_cast<void*>(address);
}

}  // namespace NOs
