#pragma once
// The machine's tick counters: milliseconds since the system started,
// suspended time included.

#include <cstdint>

namespace NOs {

// Milliseconds since boot (CLOCK_BOOTTIME).
uint64_t GetTickCount64();

// The low 32 bits of GetTickCount64: wraps every 49.7 days.
uint32_t GetTickCount();

// Milliseconds of a clock that never goes back, exact to within a few
// milliseconds and cheap to read: for time limits, not for the tick.
// (On Linux: CLOCK_MONOTONIC_COARSE.)
uint64_t GetCoarseMonotonicMs();

}  // namespace NOs
