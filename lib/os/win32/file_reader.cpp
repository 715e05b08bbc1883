#include "os/file_reader.h"

#include <windows.h>

#include "os/win32/wide_text.h"
#include "os/win32/windows_error.h"
#include "os/win32/windows_handle.h"

namespace NOs {

NResult<std::string> ReadWholeFile(const std::string& path, size_t maxBytes) {
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open.
    const NWindowsHandle file(::CreateFileW(WidePointer(PathToWide(path)), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
    if (!file.IsValid()) {
        const NError error = LastWindowsError();
        const DWORD attributes = ::GetFileAttributesW(WidePointer(PathToWide(path)));
        const bool folder =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        return folder ? NError(NObjectError::NotRegular) : error;
    }
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        return NObjectError::NotRegular;
    }
    std::string content;
    char chunk[4096];
    for (;;) {
        DWORD count = 0;
        if (::ReadFile(file.Get(), chunk, sizeof(chunk), &count, nullptr) == 0) {
            return LastWindowsError();
        }
        if (count == 0) {
            return content;
        }
        if (content.size() + count > maxBytes) {
            return std::errc::file_too_large;
        }
        content.append(chunk, count);
    }
}

NResult<std::string> ReadTrustedFile(const std::string& path, size_t maxBytes) {
    return ReadWholeFile(path, maxBytes);
}

}  // namespace NOs
