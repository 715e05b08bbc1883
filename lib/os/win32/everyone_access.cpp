#include "os/win32/everyone_access.h"

#include "os/win32/procedure_address.h"
#include "os/win32/windows_error.h"

namespace NOs {
namespace {

using NInitializeDescriptor = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, DWORD);
using NSetDescriptorDacl = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);

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

    template <class Fn>
    Fn Find(const char* name) const {
        return FindProcedure<Fn>(m_hModule, name);
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
    const auto initialize = advapi32.Find<NInitializeDescriptor>("InitializeSecurityDescriptor");
    const auto setDacl = advapi32.Find<NSetDescriptorDacl>("SetSecurityDescriptorDacl");
    if (initialize == nullptr || setDacl == nullptr) {
        return std::errc::function_not_supported;
    }
    std::unique_ptr<NEveryoneAccess> access(new NEveryoneAccess());
    if (initialize(access->m_aDescriptor, SECURITY_DESCRIPTOR_REVISION) == 0 ||
        setDacl(access->m_aDescriptor, TRUE, nullptr, FALSE) == 0) {
        return LastWindowsError();
    }
    return access;
}

}  // namespace NOs
