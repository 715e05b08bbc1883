#include "os/module_file.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "os/win32/windows_error.h"
#include "text/utf_codec.h"

namespace NOs {
namespace {

// The longest path that Windows hands out with the \\?\ prefix.
constexpr DWORD kMaxWidePath = 32768;

// The module that holds address: null stands for the executable.
NResult<HMODULE> ModuleOf(const void* address) {
    if (address == nullptr) {
        return HMODULE{nullptr};
    }
    HMODULE module = nullptr;
    const DWORD flags =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (::GetModuleHandleExW(flags, static_cast<LPCWSTR>(address), &module) == 0) {
        return LastWindowsError();
    }
    return module;
}

NResult<std::u16string> ReadModuleFileName(HMODULE module) {
    std::vector<WCHAR> name(kMaxWidePath);
    const DWORD length = ::GetModuleFileNameW(module, name.data(), kMaxWidePath);
    if (length == 0) {
        return LastWindowsError();
    }
    if (length >= kMaxWidePath) {
        return std::errc::filename_too_long;
    }
    return std::u16string(name.data(), length);
}

// The layer's paths use '/'. A Winelib program's C library (and every
// library built for Linux that it links) takes Unix paths, which Wine's own
// calls take as well; a native build keeps the Windows path.
NResult<std::string> ToLayerPath(const std::u16string& windowsPath) {
#ifdef __WINE__
    const std::unique_ptr<char, void (*)(char*)> unixPath(
        ::wine_get_unix_file_name(windowsPath.c_str()),
        [](char* text) { ::HeapFree(::GetProcessHeap(), 0, text); });
    if (!unixPath) {
        return std::errc::no_such_file_or_directory;
    }
    return std::string(unixPath.get());
#else
    std::u16string path = windowsPath;
    std::replace(path.begin(), path.end(), u'\\', u'/');
    std::optional<std::string> layerPath = NUtf::Utf16ToPath(path);
    if (!layerPath) {
        return std::errc::illegal_byte_sequence;
    }
    return std::move(*layerPath);
#endif
}

}  // namespace

NResult<std::string> GetModuleFilePath(const void* address) {
    const NResult<HMODULE> module = ModuleOf(address);
    if (!module) {
        return module.Error();
    }
    const NResult<std::u16string> windowsPath = ReadModuleFileName(module.Value());
    if (!windowsPath) {
        return windowsPath.Error();
    }
    return ToLayerPath(windowsPath.Value());
}

}  // namespace NOs
