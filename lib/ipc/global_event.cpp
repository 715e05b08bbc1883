#include "ipc/global_event.h"

#include "base/text_convert.h"

namespace NMisc {

NEventHandle CreateGlobalEvent(const char16_t* name, int32_t manualReset) {
    NOs::NResult<NEventHandle> event = MakeGlobalEvent(name, manualReset);
    return event ? event.Take() : nullptr;
}

NOs::NResult<NEventHandle> MakeGlobalEvent(const char16_t* name, int32_t manualReset) {
    if (name == nullptr) {
        return NOs::NObjectError::BadName;
    }
    return NOs::NNamedEvent::Create(NUtf::ToUtf8(name), manualReset != 0,
                                    NOs::NObjectAccess::Everyone);
}

NOs::NStatus SetGlobalEvent(NOs::NNamedEvent* event) {
    return event != nullptr ? event->Set() : NOs::Ok();
}

}  // namespace NMisc
