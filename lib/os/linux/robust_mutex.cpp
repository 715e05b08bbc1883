#include "os/linux/robust_mutex.h"

#include <pthread.h>
#include <time.h>

#include <cerrno>

#include "os/linux/monotonic_deadline.h"

namespace NOs {

static_assert(sizeof(pthread_mutex_t) <= sizeof(NRobustMutex), "the storage holds the mutex");
static_assert(alignof(pthread_mutex_t) <= alignof(NRobustMutex), "the storage aligns the mutex");

bool NRobustMutex::Init() {
    pthread_mutexattr_t attributes;
    if (::pthread_mutexattr_init(&attributes) != 0) {
        return false;
    }
    const bool ready =
        ::pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
        ::pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
        ::pthread_mutex_init(static_cast<pthread_mutex_t*>(Storage()), &attributes) == 0;
    ::pthread_mutexattr_destroy(&attributes);
    return ready;
}

namespace {

int TakeWithin(pthread_mutex_t* mutex, uint32_t timeoutMs) {
    if (timeoutMs == 0) {
        return ::pthread_mutex_trylock(mutex);
    }
    const timespec deadline = AddMilliseconds(MonotonicNow(), timeoutMs);
    return ::pthread_mutex_clocklock(mutex, CLOCK_MONOTONIC, &deadline);
}

}  // namespace

NLockResult NRobustMutex::Lock(uint32_t timeoutMs) {
    pthread_mutex_t* mutex = static_cast<pthread_mutex_t*>(Storage());
    switch (TakeWithin(mutex, timeoutMs)) {
        case 0:
            return NLockResult::Locked;
        case EOWNERDEAD:
            // Unless marked consistent before it is unlocked, the mutex
            // becomes unrecoverable.
            if (::pthread_mutex_consistent(mutex) == 0) {
                return NLockResult::Locked;
            }
            ::pthread_mutex_unlock(mutex);
            return NLockResult::Unrecoverable;
        case EBUSY:
        case ETIMEDOUT:
            return NLockResult::Busy;
        case ENOTRECOVERABLE:
            return NLockResult::Unrecoverable;
        default:
            return NLockResult::Failed;
    }
}

void NRobustMutex::Unlock() { ::pthread_mutex_unlock(static_cast<pthread_mutex_t*>(Storage())); }

}  // namespace NOs
