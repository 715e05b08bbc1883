#include "agent/publish_event.h"

#include "ipc/server_time_channel.h"

namespace q6tsa {

NPublishEvent::NPublishEvent(bool mini)
    : m_pwszName(NServerTimeChannel::EventNameFor(mini)), m_report(u"the publish event") {
    Heal();
}

NOs::NNamedEvent* NPublishEvent::Heal() {
    if (!m_event) {
        NOs::NResult<NMisc::NEventHandle> made = NMisc::MakeGlobalEvent(m_pwszName, 0);
        if (!made) {
            m_report.Missing(made.Error());
            return nullptr;
        }
        m_event = made.Take();
        m_report.Present();
    }
    return m_event.get();
}

}  // namespace q6tsa
