#include "os/named_mutex.h"

#include <windows.h>

#include "os/named_mutex_testing.h"
#include "os/win32/kernel_object_name.h"
#include "os/win32/windows_error.h"
#include "os/win32/windows_handle.h"

// A Windows mutex lives while a handle to it is open: when its holder ends,
// crash or not, the kernel frees it, and no other process keeps it alive
// unless it opened it too.
namespace NOs {

struct NNamedMutex::NState {
    NWindowsHandle handle;
    bool owned;
};

NNamedMutex::NNamedMutex(std::unique_ptr<NState> state) : m_pState(std::move(state)) {}

NNamedMutex::~NNamedMutex() {
    if (m_pState->owned) {
        ::ReleaseMutex(m_pState->handle.Get());
    }
}

// CreateMutexW asking for ownership gets it only for a new mutex: an
// existing one, whoever holds it, is reported as ERROR_ALREADY_EXISTS and
// returned without ownership.
NResult<std::unique_ptr<NNamedMutex>> NNamedMutex::CreateOwned(const std::string& name,
                                                               bool* alreadyExists) {
    const NResult<std::u16string> kernelName = KernelObjectName(name);
    if (!kernelName) {
        return kernelName.Error();
    }
    NWindowsHandle handle(::CreateMutexW(nullptr, TRUE, kernelName.Value().c_str()));
    if (!handle.IsValid()) {
        return NamedObjectError();
    }
    const bool exists = ::GetLastError() == ERROR_ALREADY_EXISTS;
    if (alreadyExists != nullptr) {
        *alreadyExists = exists;
    }
    return std::unique_ptr<NNamedMutex>(
        new NNamedMutex(std::make_unique<NState>(NState{std::move(handle), !exists})));
}

bool IsOwned(const NNamedMutex& mutex) { return mutex.m_pState->owned; }

// Nothing stands for the mutex but the kernel's object, which no one can
// remove while it is held; one whose holder ended is taken over here.
NResult<bool> NNamedMutex::Retake() {
    if (m_pState->owned) {
        return true;
    }
    switch (::WaitForSingleObject(m_pState->handle.Get(), 0)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:
            m_pState->owned = true;
            return true;
        case WAIT_TIMEOUT:
            return false;
        default:
            return LastWindowsError();
    }
}

}  // namespace NOs
