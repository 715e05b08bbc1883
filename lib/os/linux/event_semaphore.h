#pragma once
// The state of a named event: a System V semaphore set of one semaphore.
//
// Unlike a shared mapping it has no size that another account could change,
// and only its creator (or root) can remove it or change its mode; any
// account that its mode lets in can set, reset and wait it. It outlives the
// processes that use it until it is removed.

#include <sys/types.h>

#include <cstdint>

#include "os/named_event.h"
#include "os/result.h"

namespace NOs {

class NEventSemaphore {
public:
    // A new semaphore, non-signalled, under a key of its own that nobody can
    // guess in advance.
    static NResult<NEventSemaphore> Create(uint32_t mode);

    // The semaphore of key and id, when it is still the one that owner
    // created: anything else under that key is refused.
    static NResult<NEventSemaphore> Open(int32_t key, int32_t id, uid_t owner);

    int32_t Key() const { return m_nKey; }
    int32_t Id() const { return m_nId; }

    // Signalled (1) or not (0); fails once the semaphore is removed.
    NStatus SetValue(int value) const;

    // Waits until the value is not 0: an auto-reset wait takes it back to 0,
    // a manual-reset one leaves it.
    NResult<NWaitResult> Wait(bool manualReset, uint32_t timeoutMs) const;

    // Removes the semaphore from the system.
    void Remove() const;

private:
    NEventSemaphore(int32_t key, int32_t id) : m_nKey(key), m_nId(id) {}

    int32_t m_nKey;
    int32_t m_nId;
};

}  // namespace NOs
