#include "base/module_path.h"

#include <algorithm>
#include <optional>

#include "base/text_convert.h"
#include "os/file_system.h"
#include "os/module_file.h"

namespace {

// Longest path that MakeFolderPath works on, in code units.
constexpr size_t kMaxFolderPathUnits = 1023;

// Nothing for a path that names no file (see NUtf::Utf16ToPath).
std::optional<std::string> ToOsPath(const char16_t* path) { return NUtf::Utf16ToPath(path); }

}  // namespace

std::u16string GetModuleFileName(NModuleHandle module) {
    return NUtf::PathToUtf16(NOs::GetModuleFilePath(module).ValueOr(std::string()));
}

bool GetModuleFolder(NModuleHandle module, char16_t* folder, uint32_t capacity) {
    const NOs::NResult<std::string> osFolder = NOs::GetModuleFolder(module);
    if (!osFolder) {
        return false;
    }
    const std::u16string text = NUtf::PathToUtf16(osFolder.Value());
    if (text.size() + 1 > capacity) {
        return false;
    }
    *std::copy(text.begin(), text.end(), folder) = u'\0';
    return true;
}

PathKind GetPathKind(const char16_t* path) {
    const std::u16string_view text(path);
    // A search for a name that ends in a separator finds nothing.
    if (text.empty() || text.back() == u'/') {
        return kPathMissing;
    }
    const std::optional<std::string> osPath = ToOsPath(path);
    if (!osPath) {
        return kPathMissing;
    }
    switch (NOs::GetPathKind(*osPath)) {
        case NOs::NPathKind::File:
            return kPathFile;
        case NOs::NPathKind::Folder:
            return kPathFolder;
        case NOs::NPathKind::Missing:
            break;
    }
    return kPathMissing;
}

bool MakeFolder(const char16_t* path) {
    const PathKind kind = GetPathKind(path);
    if (kind == kPathFolder) {
        return true;
    }
    const std::optional<std::string> osPath = ToOsPath(path);
    if (!osPath) {
        return false;
    }
    // Only a plain file in the way is deleted, as Windows deletes only a
    // file; a link, a device, a FIFO or a socket makes the call fail.
    if (kind == kPathFile && !NOs::RemoveRegularFile(*osPath)) {
        return false;
    }
    return static_cast<bool>(NOs::CreateFolder(*osPath));
}

void MakeFolderPath(const char16_t* path) {
    const std::u16string text(path);
    if (text.size() > kMaxFolderPathUnits) {
        return;
    }
    for (size_t separator = text.find(u'/'); separator != std::u16string::npos;
         separator = text.find(u'/', separator + 1)) {
        if (separator > 0) {
            MakeFolder(text.substr(0, separator).c_str());
        }
    }
    MakeFolder(text.c_str());
}
