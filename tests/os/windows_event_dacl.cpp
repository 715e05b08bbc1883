#include "windows_event_dacl.h"

#include <windows.h>
// windows.h first: aclapi.h builds on it.
#include <aclapi.h>

std::optional<bool> HasNullDacl(const std::u16string& kernelName) {
    const HANDLE event = ::OpenEventW(READ_CONTROL, FALSE, kernelName.c_str());
    if (event == nullptr) {
        return std::nullopt;
    }
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status = ::GetSecurityInfo(event, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION,
                                           nullptr, nullptr, &dacl, nullptr, &descriptor);
    ::CloseHandle(event);
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL found = nullptr;
    const bool nullDacl =
        ::GetSecurityDescriptorDacl(descriptor, &present, &found, &defaulted) != 0 && present &&
        found == nullptr;
    ::LocalFree(descriptor);
    return nullDacl;
}
