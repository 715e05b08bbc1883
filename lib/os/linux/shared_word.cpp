#include "os/linux/shared_word.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

namespace NOs {
namespace {

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t), "a futex is a plain word");

// The word's address as the kernel takes it. A wait only reads it, so a
// read-only mapping is enough; the operation is the shared one, not
// FUTEX_PRIVATE_FLAG, because the sleepers live in other processes.
uint32_t* FutexAddress(const std::atomic<uint32_t>& word) {
    return reinterpret_cast<uint32_t*>(const_cast<std::atomic<uint32_t>*>(&word));
}

long Futex(const std::atomic<uint32_t>& word, int operation, uint32_t value,
           const timespec* timeout) {
    return ::syscall(SYS_futex, FutexAddress(word), operation, value, timeout, nullptr, 0);
}

}  // namespace

NWordWait SleepWhileWordIs(const std::atomic<uint32_t>& word, uint32_t expected,
                           uint32_t timeoutMs) {
    const timespec timeout{static_cast<time_t>(timeoutMs / 1000),
                           static_cast<long>(timeoutMs % 1000) * 1000000L};
    if (Futex(word, FUTEX_WAIT, expected, &timeout) == 0) {
        return NWordWait::Returned;
    }
    return errno == ETIMEDOUT ? NWordWait::TimedOut : NWordWait::Returned;
}

void WakeWordSleepers(const std::atomic<uint32_t>& word) {
    Futex(word, FUTEX_WAKE, INT_MAX, nullptr);
}

}  // namespace NOs
