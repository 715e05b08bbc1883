#pragma once
// Deadlines on the monotonic clock, as the Linux side's timed waits take them.

#include <time.h>

#include <cstdint>

namespace NOs {

constexpr long kNanosecondsPerSecond = 1000000000L;

inline timespec MonotonicNow() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

inline timespec AddMilliseconds(timespec time, uint32_t milliseconds) {
    constexpr long kNanosecondsPerMillisecond = 1000000L;
    time.tv_sec += static_cast<time_t>(milliseconds / 1000);
    time.tv_nsec += static_cast<long>(milliseconds % 1000) * kNanosecondsPerMillisecond;
    if (time.tv_nsec >= kNanosecondsPerSecond) {
        time.tv_sec += 1;
        time.tv_nsec -= kNanosecondsPerSecond;
    }
    return time;
}

}  // namespace NOs
