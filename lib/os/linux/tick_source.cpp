#include "os/tick_source.h"

#include <time.h>

namespace NOs {

uint64_t GetTickCount64() {
    timespec now{};
    // CLOCK_BOOTTIME exists on every supported kernel; the call cannot fail
    // with a valid clock and a valid pointer.
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u +
           static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

uint32_t GetTickCount() { return static_cast<uint32_t>(GetTickCount64()); }

uint64_t GetCoarseMonotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u +
           static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

}  // namespace NOs
