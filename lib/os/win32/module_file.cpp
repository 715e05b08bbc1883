#include "os/module_file.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "text/utf_codec.h"

namespace NOs {
namespace {

// The longest path that Windows hands out with the \\?\ prefix.
constexpr DWORD kMaxWidePath = 32768;

// The module that holds address: null stands for the executable; nothing
// when no module holds it.
std::optional<HMODULE> ModuleOf(const void* address) {
    if (address == nullptr) {
        return HMODULE{nullptr};
    }
    HMODULE module = nullptr;
    const DWORD flags =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (::GetModuleHandleExW(flags, static_cast<LPCWSTR>(address), &module) == 0) {
        return std::nullopt;
    }
    return module;
}

std::u16string ReadModuleFileName(HMODULE module) {
    std::vector<WCHAR> name(kMaxWidePath);
    const DWORD length = ::GetModuleFileNameW(module, name.data(), kMaxWidePath);
    if (length == 0 || length >= kMaxWidePath) {
        return {};
    }
    return std::u16string(name.data(), length);
}

// The layer's paths use '/'. A Winelib program's C library (and every
// library built for Linux that it links) takes Unix paths, which Wine's own
// calls take as well; a native build keeps the Windows path.
std::string ToLayerPath(const std::u16string& windowsPath) {
#ifdef __WINE__
    const std::unique_ptr<char, void (*)(char*)> unixPath(
        ::wine_get_unix_file_name(windowsPath.c_str()),
        [](char* text) { ::HeapFree(::GetProcessHeap(), 0, text); });
    return unixPath ? std::string(unixPath.get()) : std::string();
#else
    std::u16string path = windowsPath;
    std::replace(path.begin(), path.end(), u'\\', u'/');
    return NUtf::Utf16ToPath(path).value_or(std::string());
#endif
}

}  // namespace

std::string GetModuleFilePath(const void* address) {
    const std::optional<HMODULE> module = ModuleOf(address);
    if (!module) {
        return {};
    }
    const std::u16string windowsPath = ReadModuleFileName(*module);
    return windowsPath.empty() ? std::string() : ToLayerPath(windowsPath);
}

}  // namespace NOs
