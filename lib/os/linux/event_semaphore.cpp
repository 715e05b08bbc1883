#include "os/linux/event_semaphore.h"

#include <sys/ipc.h>
#include <sys/random.h>
#include <sys/sem.h>
#include <time.h>

#include <cerrno>

#include "os/linux/errno_error.h"
#include "os/linux/monotonic_deadline.h"
#include "os/linux/retry_interrupted.h"
#include "os/linux/unique_fd.h"
#include "os/object_error.h"

namespace NOs {
namespace {

constexpr int kKeyAttempts = 16;
// Rights asked for when a semaphore is opened: read and alter.
constexpr int kUseRights = 0666;

// The argument of semctl, which the program must declare itself.
union NSemaphoreArgument {
    int nValue;
    struct semid_ds* pInfo;
};

NResult<key_t> RandomKey() {
    key_t key = IPC_PRIVATE;
    while (key == IPC_PRIVATE) {
        if (::getrandom(&key, sizeof(key), 0) != static_cast<ssize_t>(sizeof(key))) {
            return LastError();
        }
    }
    return key;
}

// What is left until deadline, never negative.
timespec Remaining(const timespec& deadline) {
    const timespec now = MonotonicNow();
    timespec left{deadline.tv_sec - now.tv_sec, deadline.tv_nsec - now.tv_nsec};
    if (left.tv_nsec < 0) {
        left.tv_sec -= 1;
        left.tv_nsec += kNanosecondsPerSecond;
    }
    return left.tv_sec < 0 ? timespec{} : left;
}

}  // namespace

NResult<NEventSemaphore> NEventSemaphore::Create(uint32_t mode) {
    for (int attempt = 0; attempt < kKeyAttempts; ++attempt) {
        const NResult<key_t> key = RandomKey();
        if (!key) {
            return key.Error();
        }
        const int id = ::semget(key.Value(), 1, IPC_CREAT | IPC_EXCL | static_cast<int>(mode));
        if (id >= 0) {
            // A new set's value is 0 on Linux; said here all the same.
            const NEventSemaphore semaphore(key.Value(), id);
            if (const NStatus cleared = semaphore.SetValue(0); !cleared) {
                semaphore.Remove();
                return cleared.Error();
            }
            return semaphore;
        }
        if (errno != EEXIST) {
            return LastError();
        }
    }
    return std::errc::file_exists;
}

NResult<NEventSemaphore> NEventSemaphore::Open(int32_t key, int32_t id, uid_t owner) {
    const int found = ::semget(key, 1, kUseRights);
    if (found < 0) {
        return errno == ENOENT ? NError(NObjectError::Damaged) : LastError();
    }
    struct semid_ds info {};
    NSemaphoreArgument argument{};
    argument.pInfo = &info;
    if (::semctl(found, 0, IPC_STAT, argument) != 0) {
        return LastError();
    }
    if (found != id || info.sem_perm.cuid != owner || info.sem_perm.uid != owner ||
        info.sem_nsems != 1) {
        return NObjectError::Damaged;
    }
    return NEventSemaphore(key, id);
}

NStatus NEventSemaphore::SetValue(int value) const {
    NSemaphoreArgument argument{};
    argument.nValue = value;
    return ::semctl(m_nId, 0, SETVAL, argument) == 0 ? Ok() : NStatus(LastError());
}

NResult<NWaitResult> NEventSemaphore::Wait(bool manualReset, uint32_t timeoutMs) const {
    const short flags = timeoutMs == 0 ? IPC_NOWAIT : 0;
    // Taking 1 and giving it back in one step waits without resetting.
    sembuf operations[] = {{0, -1, flags}, {0, 1, flags}};
    const size_t count = manualReset ? 2 : 1;
    const bool infinite = timeoutMs == kWaitInfinite;
    const timespec deadline = AddMilliseconds(MonotonicNow(), infinite ? 0 : timeoutMs);
    const int waited = RetryInterrupted([&] {
        const timespec left = Remaining(deadline);
        return ::semtimedop(m_nId, operations, count, infinite ? nullptr : &left);
    });
    if (waited == 0) {
        return NWaitResult::Signalled;
    }
    if (errno == EAGAIN) {
        return NWaitResult::TimedOut;
    }
    return LastError();
}

void NEventSemaphore::Remove() const { ::semctl(m_nId, 0, IPC_RMID); }

}  // namespace NOs
