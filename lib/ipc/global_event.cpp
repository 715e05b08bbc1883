#include "ipc/global_event.h"

#include "base/text_convert.h"

namespace NMisc {

NEventHandle CreateGlobalEvent(const char16_t* name, int32_t manualReset) {
    if (name == nullptr) {
        return nullptr;
    }
    NOs::NResult<NEventHandle> event = NOs::NNamedEvent::Create(
        NUtf::ToUtf8(name), manualReset != 0, NOs::NObjectAccess::Everyone);
    return event ? event.Take() : nullptr;
}

void SetGlobalEvent(NOs::NNamedEvent* event) {
    if (event != nullptr) {
        event->Set();
    }
}

}  // namespace NMisc
