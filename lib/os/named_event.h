#pragma once
// Named events of the named-object space (named_object_space.h), shared
// between processes: auto-reset (a set releases one wait and resets) or
// manual-reset (the event stays signalled until it is reset).
//
// Sets that arrive before a released waiter has run count once: an
// auto-reset event that is already signalled stays signalled. A process that
// ends while it waits leaves nothing behind.
//
// Unlike a Windows name, a name in /dev/shm can be removed while the event is
// in use. A set puts the name back: the setter's handle then moves to the
// event found under the name, or to a new one of the same reset mode, so that
// processes that open the name from then on see its sets.

#include <cstdint>
#include <memory>
#include <string>

#include "os/named_object_space.h"

namespace NOs {

class NSharedMemory;
struct NEventObject;

constexpr uint32_t kWaitInfinite = 0xFFFFFFFFu;

enum class NWaitResult { Signalled, TimedOut, Failed };

class NNamedEvent {
public:
    ~NNamedEvent();
    NNamedEvent(const NNamedEvent&) = delete;
    NNamedEvent& operator=(const NNamedEvent&) = delete;

    // Creates the event, non-signalled, or opens the existing event of that
    // name, whose reset mode and state stay as they are; *existed (when given)
    // tells which. Null when the name cannot be used or holds an object of
    // another kind.
    static std::unique_ptr<NNamedEvent> Create(const std::string& name, bool manualReset,
                                               NObjectAccess access, bool* existed = nullptr);

    // Opens an existing event; null when there is none of that name. Should
    // its name be removed, a set makes the new event with NObjectAccess::Default.
    static std::unique_ptr<NNamedEvent> Open(const std::string& name);

    bool IsManualReset() const;

    // Signals the event; when its name no longer refers to it, the event
    // under the name (found or made anew) is signalled as well and used from
    // then on. Since the handle may move, no other thread may use it meanwhile.
    void Set();
    void Reset();

    // Waits until the event is signalled (an auto-reset event is reset by the
    // wait it releases) or timeoutMs milliseconds have passed; kWaitInfinite
    // waits for ever, 0 only tests.
    NWaitResult Wait(uint32_t timeoutMs);

private:
    NNamedEvent(std::unique_ptr<NSharedMemory> memory, std::string name, NObjectAccess access);

    void Signal();
    // Moves to the event under the name; false, keeping this one, when none
    // can be found or made there.
    bool Reattach();
    bool TryConsume();

    std::unique_ptr<NSharedMemory> m_pMemory;
    NEventObject* m_pEvent;
    std::string m_strName;
    NObjectAccess m_eAccess;
};

}  // namespace NOs
