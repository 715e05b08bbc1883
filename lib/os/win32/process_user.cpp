#include "os/process_user.h"

#include <windows.h>

#include "os/win32/token_user.h"
#include "os/win32/windows_error.h"
#include "os/win32/windows_handle.h"

namespace NOs {

NResult<NSid> GetProcessUserSid() {
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) == 0) {
        return LastWindowsError();
    }
    const NWindowsHandle owner(token);
    return GetTokenUserSid(token);
}

}  // namespace NOs
