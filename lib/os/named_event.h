#pragma once
// Named events (object_name.h), shared between processes: auto-reset (a set
// releases one wait and resets) or manual-reset (the event stays signalled
// until it is reset).
//
// Sets that arrive before a released waiter has run count once: an
// auto-reset event that is already signalled stays signalled. A process that
// ends while it waits leaves nothing behind. An event open to every account
// can be set, reset and waited by any of them, but only the owner of its
// space can create, replace or remove it, and nothing another account does
// to it can stop its owner or another waiter.
//
// Unlike a Windows name, an event's name can be removed, or the event
// damaged, while it is in use. A set puts it back: the setter's handle then
// moves to the event found under the name, or to a new one of the same reset
// mode and access, so that processes that open the name from then on see its
// sets.

#include <cstdint>
#include <memory>
#include <string>

#include "os/named_object_space.h"
#include "os/result.h"

namespace NOs {

constexpr uint32_t kWaitInfinite = 0xFFFFFFFFu;

enum class NWaitResult { Signalled, TimedOut };

class NNamedEvent {
public:
    ~NNamedEvent();
    NNamedEvent(const NNamedEvent&) = delete;
    NNamedEvent& operator=(const NNamedEvent&) = delete;

    // Creates the event, non-signalled, or opens the existing event of that
    // name, whose reset mode and state stay as they are; *existed (when given)
    // tells which. Fails when the name cannot be used, holds an object of
    // another kind, or the event is missing and the caller does not own its
    // space.
    static NResult<std::unique_ptr<NNamedEvent>> Create(const std::string& name, bool manualReset,
                                                        NObjectAccess access,
                                                        bool* existed = nullptr);

    // Opens an existing event. Should its name be removed, a set by its
    // space's owner makes the new event with NObjectAccess::Default.
    static NResult<std::unique_ptr<NNamedEvent>> Open(const std::string& name);

    // Signals the event; when its name no longer refers to it, or it cannot
    // be signalled any more, the event under the name (found or made anew)
    // is signalled as well and used from then on. Since the handle may move,
    // no other thread may use it meanwhile. The reason when no event could be
    // signalled.
    NStatus Set();
    NStatus Reset();

    // Waits until the event is signalled (an auto-reset event is reset by the
    // wait it releases) or timeoutMs milliseconds have passed; kWaitInfinite
    // waits for ever, 0 only tests. The reason when the wait failed: the
    // event was removed.
    NResult<NWaitResult> Wait(uint32_t timeoutMs);

    // What the platform keeps for the event; opaque here.
    struct NState;

private:
    explicit NNamedEvent(std::unique_ptr<NState> state);

    // Only tests ask (named_event_testing.h).
    friend NResult<bool> IsManualReset(const NNamedEvent& event);

    std::unique_ptr<NState> m_pState;
};

}  // namespace NOs
