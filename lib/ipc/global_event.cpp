#include "ipc/global_event.h"

#include "base/text_convert.h"
#include "log/log_front.h"

namespace NMisc {
namespace {

// The descriptor that opens a Windows event to everyone fails at one of two
// steps, each with a line of its own; nothing else is logged.
void LogAccessError(const NOs::NError& error) {
    const int code = static_cast<int>(error.PlatformCode());
    if (error == NOs::NObjectError::NoDescriptor) {
        WriteLog(kLogError,
                 u"NMisc::CreateGlobalEvent InitializeSecurityDescriptor error (code: %d)", code);
    } else if (error == NOs::NObjectError::NoNullDacl) {
        WriteLog(kLogError, u"NMisc::CreateGlobalEvent SetSecurityDescriptorDacl error (code: %d)",
                 code);
    }
}

}  // namespace

NEventHandle CreateGlobalEvent(const char16_t* name, int32_t manualReset) {
    NOs::NResult<NEventHandle> event = MakeGlobalEvent(name, manualReset);
    return event ? event.Take() : nullptr;
}

NOs::NResult<NEventHandle> MakeGlobalEvent(const char16_t* name, int32_t manualReset) {
    if (name == nullptr) {
        return NOs::NObjectError::BadName;
    }
    NOs::NResult<NEventHandle> event = NOs::NNamedEvent::Create(
        NUtf::ToUtf8(name), manualReset != 0, NOs::NObjectAccess::Everyone);
    if (!event) {
        LogAccessError(event.Error());
    }
    return event;
}

NOs::NStatus SetGlobalEvent(NOs::NNamedEvent* event) {
    return event != nullptr ? event->Set() : NOs::Ok();
}

}  // namespace NMisc
