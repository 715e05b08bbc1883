#include "os/file_system.h"

#include <windows.h>

#include "os/win32/wide_text.h"
#include "os/win32/windows_error.h"

namespace NOs {

NPathKind GetPathKind(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(WidePointer(PathToWide(path)));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return NPathKind::Missing;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? NPathKind::Folder : NPathKind::File;
}

NStatus CreateFolder(const std::string& path) {
    // The folder inherits the access of its parent, as every new folder does.
    return ::CreateDirectoryW(WidePointer(PathToWide(path)), nullptr) != 0 ? Ok()
                                                                           : LastWindowsError();
}

NStatus RemoveRegularFile(const std::string& path) {
    const std::u16string widePath = PathToWide(path);
    const DWORD attributes = ::GetFileAttributesW(WidePointer(widePath));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return LastWindowsError();
    }
    // A reparse point is the Windows form of a link.
    if ((attributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return NObjectError::NotRegular;
    }
    return ::DeleteFileW(WidePointer(widePath)) != 0 ? Ok() : LastWindowsError();
}

}  // namespace NOs
