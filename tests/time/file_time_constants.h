#pragma once
// The file times the tests of the time library count from.

#include <cstdint>

// 1970-01-01 00:00:00, in 100-nanosecond units since 1601.
constexpr uint64_t k1970 = 116444736000000000;
constexpr uint64_t kUnitsPerSecond = 10000000;
