#include "tools/q6ipc/publication_watcher.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/text_convert.h"
#include "ipc/server_time_channel.h"
#include "os/tick_source.h"

namespace NQ6Ipc {
namespace {

constexpr uint32_t kReopenPauseMs = 1000;

// The end of a wait of timeoutMs from now; NOs::kWaitInfinite has none.
class NDeadline {
public:
    explicit NDeadline(uint32_t timeoutMs)
        : m_bEndless(timeoutMs == NOs::kWaitInfinite),
          m_nEndMs(NOs::GetCoarseMonotonicMs() + timeoutMs) {}

    // What is left of the wait, for NNamedEvent::Wait.
    uint32_t LeftMs() const {
        if (m_bEndless) {
            return NOs::kWaitInfinite;
        }
        const uint64_t now = NOs::GetCoarseMonotonicMs();
        return now >= m_nEndMs ? 0 : static_cast<uint32_t>(m_nEndMs - now);
    }

private:
    bool m_bEndless;
    uint64_t m_nEndMs;
};

// The publish event, made when missing as the agent does, so that the
// watcher may start first. An account that may not make it waits for the
// agent to (as for an event removed under it, which comes back with the
// agent's next set) until the deadline; a name that holds another kind of
// object fails at once.
NOs::NResult<std::unique_ptr<NOs::NNamedEvent>> OpenPublishEvent(const std::string& name,
                                                                 const NDeadline& deadline) {
    for (;;) {
        NOs::NResult<std::unique_ptr<NOs::NNamedEvent>> event =
            NOs::NNamedEvent::Create(name, false, NOs::NObjectAccess::Everyone);
        const uint32_t leftMs = deadline.LeftMs();
        if (event || event.Error() == NOs::NObjectError::OtherKind ||
            event.Error() == NOs::NObjectError::BadName || leftMs == 0) {
            return event;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(leftMs, kReopenPauseMs)));
    }
}

}  // namespace

NPublicationWatcher::NPublicationWatcher(bool mini)
    : m_nSlot(NServerTimeChannel::SlotFor(mini)),
      m_strEventName(NUtf::ToUtf8(NServerTimeChannel::EventNameFor(mini))),
      m_lastValue(ReadValue()) {}

NPublicationWatcher::NOutcome NPublicationWatcher::WaitNext(uint32_t timeoutMs, std::string& record,
                                                            std::string& error) {
    const NDeadline deadline(timeoutMs);
    for (;;) {
        if (!m_pEvent) {
            NOs::NResult<std::unique_ptr<NOs::NNamedEvent>> event =
                OpenPublishEvent(m_strEventName, deadline);
            if (!event) {
                error = "cannot open the publish event " + m_strEventName + ": " +
                        event.Error().Message();
                return NOutcome::Failed;
            }
            m_pEvent = event.Take();
        }
        const NOs::NWaitResult waited = m_pEvent->Wait(deadline.LeftMs());
        if (waited == NOs::NWaitResult::TimedOut) {
            return NOutcome::TimedOut;
        }
        if (waited == NOs::NWaitResult::Failed) {
            m_pEvent.reset();  // removed under the wait: open the name again
            continue;
        }
        const NSlotValue value = ReadValue();
        if (!TakeIfNew(value)) {
            continue;
        }
        if (!value.strBytes) {
            error = m_reader.GetError();
            return NOutcome::Unreadable;
        }
        record = NQ6Time::SlotTextToUtf8(*value.strBytes);
        return NOutcome::Published;
    }
}

NPublicationWatcher::NSlotValue NPublicationWatcher::ReadValue() {
    NSlotValue value;
    value.nStamp = m_reader.Stamp(m_nSlot);
    value.strBytes = m_reader.Read(m_nSlot);
    return value;
}

bool NPublicationWatcher::TakeIfNew(const NSlotValue& value) {
    if (value.nStamp == m_lastValue.nStamp && value.strBytes == m_lastValue.strBytes) {
        return false;
    }
    m_lastValue = value;
    return true;
}

}  // namespace NQ6Ipc
