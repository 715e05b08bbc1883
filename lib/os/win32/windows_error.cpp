#include "os/win32/windows_error.h"

#include <system_error>

namespace NOs {

NError FromWindowsError(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_MOD_NOT_FOUND:
            return std::errc::no_such_file_or_directory;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return std::errc::permission_denied;
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return std::errc::file_exists;
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_PARAMETER:
        case ERROR_BAD_PATHNAME:
            return std::errc::invalid_argument;
        case ERROR_FILENAME_EXCED_RANGE:
            return std::errc::filename_too_long;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return std::errc::not_enough_memory;
        case ERROR_INVALID_HANDLE:
            return std::errc::bad_file_descriptor;
        case ERROR_PROC_NOT_FOUND:
            return std::errc::function_not_supported;
        default:
            return std::errc::io_error;
    }
}

}  // namespace NOs
