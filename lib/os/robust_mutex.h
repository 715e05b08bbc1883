#pragma once
// Robust, process-shared mutexes placed in shared memory. When the holder
// dies, crash or not, the next taker gets the mutex in a consistent state.

#include <pthread.h>

namespace NOs {

enum class NLockResult { Locked, Busy, Unrecoverable, Failed };

// Prepares a mutex in memory that no other process uses yet.
bool InitRobustMutex(pthread_mutex_t* mutex);

// Takes the mutex, waiting for it or (tryOnly) not: Locked also when the
// holder died; Busy when tryOnly and a live thread holds it; Unrecoverable
// when the mutex can never be taken again and must be replaced.
NLockResult LockRobustMutex(pthread_mutex_t* mutex, bool tryOnly);

}  // namespace NOs
