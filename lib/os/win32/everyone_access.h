#pragma once

// Security attributes that let every account open an object: a descriptor
// whose DACL is present but null. The two descriptor functions are looked up
// in Advapi32.dll when needed, not bound when the program loads.

#include <windows.h>

#include <memory>

#include "os/result.h"

namespace NOs {

// The two descriptor functions of Advapi32.dll.
struct NDescriptorFunctions {
    BOOL(WINAPI* initialize)(PSECURITY_DESCRIPTOR, DWORD);
    BOOL(WINAPI* setDacl)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);
};

class NEveryoneAccess {
public:
    // Makes the descriptor; the reason when Advapi32.dll or one of its two
    // functions is missing, or a function fails: NObjectError::NoDescriptor
    // or NObjectError::NoNullDacl, with the function's Win32 error code.
    static NResult<std::unique_ptr<NEveryoneAccess>> Make();
    ~NEveryoneAccess();
    NEveryoneAccess(const NEveryoneAccess&) = delete;
    NEveryoneAccess& operator=(const NEveryoneAccess&) = delete;

    // For CreateEventW and the like; handles made with it are inheritable.
    SECURITY_ATTRIBUTES* Attributes() { return &m_attributes; }

private:
    NEveryoneAccess();

    static NResult<std::unique_ptr<NEveryoneAccess>> MakeWith(
        const NDescriptorFunctions& functions);

    // The platform's minimum descriptor length (20 bytes in a 32-bit process,
    // 40 in a 64-bit one).
    alignas(void*) unsigned char m_aDescriptor[SECURITY_DESCRIPTOR_MIN_LENGTH];
    SECURITY_ATTRIBUTES m_attributes;
};

}  // namespace NOs
