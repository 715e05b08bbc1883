#include "os/named_event.h"

#include <windows.h>

#include "os/named_event_testing.h"
#include "os/win32/everyone_access.h"
#include "os/win32/kernel_object_name.h"
#include "os/win32/procedure_address.h"
#include "os/win32/windows_error.h"
#include "os/win32/windows_handle.h"

// Windows keeps an event under its name for as long as a handle is open, so
// a set never has to put the event back.
namespace NOs {

struct NNamedEvent::NState {
    NWindowsHandle handle;
};

NNamedEvent::NNamedEvent(std::unique_ptr<NState> state) : m_pState(std::move(state)) {}

NNamedEvent::~NNamedEvent() = default;

NResult<std::unique_ptr<NNamedEvent>> NNamedEvent::Create(const std::string& name, bool manualReset,
                                                          NObjectAccess access, bool* existed) {
    const NResult<std::u16string> kernelName = KernelObjectName(name);
    if (!kernelName) {
        return kernelName.Error();
    }
    std::unique_ptr<NEveryoneAccess> everyone;
    if (access == NObjectAccess::Everyone) {
        NResult<std::unique_ptr<NEveryoneAccess>> made = NEveryoneAccess::Make();
        if (!made) {
            return made.Error();
        }
        everyone = made.Take();
    }
    NWindowsHandle handle(::CreateEventW(everyone ? everyone->Attributes() : nullptr,
                                         manualReset ? TRUE : FALSE, FALSE,
                                         kernelName.Value().c_str()));
    if (!handle.IsValid()) {
        return NamedObjectError();
    }
    if (existed != nullptr) {
        *existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    }
    return std::unique_ptr<NNamedEvent>(
        new NNamedEvent(std::make_unique<NState>(NState{std::move(handle)})));
}

NResult<std::unique_ptr<NNamedEvent>> NNamedEvent::Open(const std::string& name) {
    const NResult<std::u16string> kernelName = KernelObjectName(name);
    if (!kernelName) {
        return kernelName.Error();
    }
    NWindowsHandle handle(
        ::OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, kernelName.Value().c_str()));
    if (!handle.IsValid()) {
        return NamedObjectError();
    }
    return std::unique_ptr<NNamedEvent>(
        new NNamedEvent(std::make_unique<NState>(NState{std::move(handle)})));
}

// The kernel's answer (NtQueryEvent, looked up in ntdll: Win32 has no call
// for it).
NResult<bool> IsManualReset(const NNamedEvent& event) {
    struct NEventBasicInformation {
        LONG eventType;  // 0: notification (manual reset), 1: synchronization
        LONG eventState;
    };
    using NQueryEvent = LONG(WINAPI*)(HANDLE, LONG, void*, ULONG, ULONG*);
    const auto query = FindProcedure<NQueryEvent>(::GetModuleHandleW(u"ntdll.dll"), "NtQueryEvent");
    if (query == nullptr) {
        return std::errc::function_not_supported;
    }
    NEventBasicInformation information{};
    if (query(event.m_pState->handle.Get(), 0, &information, sizeof(information), nullptr) != 0) {
        return std::errc::io_error;
    }
    return information.eventType == 0;
}

NStatus NNamedEvent::Set() {
    return ::SetEvent(m_pState->handle.Get()) != 0 ? Ok() : NStatus(LastWindowsError());
}

NStatus NNamedEvent::Reset() {
    return ::ResetEvent(m_pState->handle.Get()) != 0 ? Ok() : NStatus(LastWindowsError());
}

NResult<NWaitResult> NNamedEvent::Wait(uint32_t timeoutMs) {
    switch (::WaitForSingleObject(m_pState->handle.Get(), timeoutMs)) {
        case WAIT_OBJECT_0:
            return NWaitResult::Signalled;
        case WAIT_TIMEOUT:
            return NWaitResult::TimedOut;
        default:
            return LastWindowsError();
    }
}

}  // namespace NOs
