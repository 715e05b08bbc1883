#pragma once

// For tests: descriptor functions of the test's own in place of Advapi32's.

#include "os/win32/everyone_access.h"

namespace NOs {

// While it lives, NEveryoneAccess::Make calls functions instead of the ones
// it looks up in Advapi32.dll. One at a time.
class NDescriptorFunctionsOverride {
public:
    explicit NDescriptorFunctionsOverride(const NDescriptorFunctions& functions);
    ~NDescriptorFunctionsOverride();
    NDescriptorFunctionsOverride(const NDescriptorFunctionsOverride&) = delete;
    NDescriptorFunctionsOverride& operator=(const NDescriptorFunctionsOverride&) = delete;

private:
    NDescriptorFunctions m_functions;
};

}  // namespace NOs
