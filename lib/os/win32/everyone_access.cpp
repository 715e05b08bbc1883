#include "os/win32/everyone_access.h"

#include "os/win32/everyone_access_testing.h"
#include "os/win32/procedure_address.h"
#include "os/win32/windows_error.h"

namespace NOs {
namespace {

// A test's functions in place of Advapi32's, or null.
const NDescriptorFunctions* g_pOverride = nullptr;

// Advapi32.dll, loaded for as long as the descriptor is being made.
class NAdvapi32 {
public:
    NAdvapi32() : m_hModule(::LoadLibraryW(u"Advapi32.dll")) {}
    ~NAdvapi32() {
        if (m_hModule != nullptr) {
            ::FreeLibrary(m_hModule);
        }
    }
    NAdvapi32(const NAdvapi32&) = delete;
    NAdvapi32& operator=(const NAdvapi32&) = delete;

    bool IsLoaded() const { return m_hModule != nullptr; }

    NDescriptorFunctions Functions() const {
        return {FindProcedure<decltype(NDescriptorFunctions::initialize)>(
                    m_hModule, "InitializeSecurityDescriptor"),
                FindProcedure<decltype(NDescriptorFunctions::setDacl)>(
                    m_hModule, "SetSecurityDescriptorDacl")};
    }

private:
    HMODULE m_hModule;
};

}  // namespace

NEveryoneAccess::NEveryoneAccess() : m_aDescriptor{}, m_attributes{} {
    m_attributes.nLength = sizeof(m_attributes);
    m_attributes.bInheritHandle = TRUE;
    m_attributes.lpSecurityDescriptor = m_aDescriptor;
}

NEveryoneAccess::~NEveryoneAccess() = default;

NResult<std::unique_ptr<NEveryoneAccess>> NEveryoneAccess::Make() {
    const NAdvapi32 advapi32;
    if (!advapi32.IsLoaded()) {
        return LastWindowsError();
    }
    const NDescriptorFunctions functions =
        g_pOverride != nullptr ? *g_pOverride : advapi32.Functions();
    if (functions.initialize == nullptr || functions.setDacl == nullptr) {
        return std::errc::function_not_supported;
    }
    return MakeWith(functions);
}

// The error codes are read at once, before Advapi32.dll is released.
NResult<std::unique_ptr<NEveryoneAccess>> NEveryoneAccess::MakeWith(
    const NDescriptorFunctions& functions) {
    std::unique_ptr<NEveryoneAccess> access(new NEveryoneAccess());
    if (functions.initialize(access->m_aDescriptor, SECURITY_DESCRIPTOR_REVISION) == 0) {
        return NError(NObjectError::NoDescriptor, ::GetLastError());
    }
    if (functions.setDacl(access->m_aDescriptor, TRUE, nullptr, FALSE) == 0) {
        return NError(NObjectError::NoNullDacl, ::GetLastError());
    }
    return access;
}

NDescriptorFunctionsOverride::NDescriptorFunctionsOverride(const NDescriptorFunctions& functions)
    : m_functions(functions) {
    g_pOverride = &m_functions;
}

NDescriptorFunctionsOverride::~NDescriptorFunctionsOverride() { g_pOverride = nullptr; }

}  // namespace NOs
