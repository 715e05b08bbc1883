#pragma once
// A mutex that lives in shared memory and survives its holder: when the
// holder dies, crash or not, the next taker gets the mutex in a consistent
// state. The object is plain storage of a fixed size, so that it can be part
// of a layout that several processes map.

#include <cstddef>
#include <cstdint>

namespace NOs {

enum class NLockResult { Locked, Busy, Unrecoverable, Failed };

class NRobustMutex {
public:
    // The storage is only made a mutex by Init; a mapped copy is used as it
    // is, never constructed or destroyed.
    NRobustMutex() = delete;
    ~NRobustMutex() = delete;
    NRobustMutex(const NRobustMutex&) = delete;
    NRobustMutex& operator=(const NRobustMutex&) = delete;

    // Prepares the mutex in memory that no other process uses yet.
    [[nodiscard]] bool Init();

    // Takes the mutex, waiting for it at most timeoutMs milliseconds (0: not
    // at all): Locked also when the holder died; Busy when a live thread
    // held it all that time (a holder that was stopped holds it for ever);
    // Unrecoverable when it can never be taken again and must be replaced.
    [[nodiscard]] NLockResult Lock(uint32_t timeoutMs);

    // Gives up a mutex that Lock took.
    void Unlock();

private:
    void* Storage() { return m_aStorage; }

    // Room for a process-shared, robust pthread mutex (40 bytes).
    static constexpr size_t kStorageSize = 64;
    alignas(8) unsigned char m_aStorage[kStorageSize];
};

// Holds the mutex from construction until destruction, when Lock took it.
class NRobustLock {
public:
    NRobustLock(NRobustMutex& mutex, uint32_t timeoutMs)
        : m_mutex(mutex), m_eResult(mutex.Lock(timeoutMs)) {}
    ~NRobustLock() {
        if (IsLocked()) {
            m_mutex.Unlock();
        }
    }
    NRobustLock(const NRobustLock&) = delete;
    NRobustLock& operator=(const NRobustLock&) = delete;

    bool IsLocked() const { return m_eResult == NLockResult::Locked; }
    NLockResult Result() const { return m_eResult; }

private:
    NRobustMutex& m_mutex;
    const NLockResult m_eResult;
};

}  // namespace NOs
