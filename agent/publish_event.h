#pragma once
// The publish event of the agent's edition, made at start-up and made again
// before a publication whenever it is missing (the semaphore table or
// /dev/shm was full, say), so that readers hear of publications again at
// most one cycle after the cause is gone.

#include "agent/missing_object_report.h"
#include "ipc/global_event.h"

namespace q6tsa {

class NPublishEvent {
public:
    // Makes the event of the edition (mini: the Mini edition's name).
    explicit NPublishEvent(bool mini);

    // The event, made first when it is missing; null while it cannot be made.
    NOs::NNamedEvent* Heal();

private:
    const char16_t* m_pwszName;
    NMisc::NEventHandle m_event;
    NMissingObjectReport m_report;
};

}  // namespace q6tsa
