#pragma once
// Named events of the named-object space (named_object_space.h), shared
// between processes: auto-reset (a set releases one wait and resets) or
// manual-reset (the event stays signalled until it is reset).
//
// Sets that arrive before a released waiter has run count once: an
// auto-reset event that is already signalled stays signalled. A process that
// ends while it waits leaves nothing behind.

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

    // Opens an existing event; null when there is none of that name.
    static std::unique_ptr<NNamedEvent> Open(const std::string& name);

    bool IsManualReset() const;

    void Set();
    void Reset();

    // Waits until the event is signalled (an auto-reset event is reset by the
    // wait it releases) or timeoutMs milliseconds have passed; kWaitInfinite
    // waits for ever, 0 only tests.
    NWaitResult Wait(uint32_t timeoutMs);

private:
    explicit NNamedEvent(std::unique_ptr<NSharedMemory> memory);

    bool TryConsume();

    std::unique_ptr<NSharedMemory> m_pMemory;
    NEventObject* m_pEvent;
};

}  // namespace NOs
