#pragma once
// Failures of a benchmark: the benchmark reports the error and the whole run
// ends with a non-zero exit code, so that a broken cycle is never timed as a
// fast one.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace NBench {

// How long a benchmark waits for a wake-up: long enough for a loaded
// machine; a lost wake-up fails the run instead of hanging it.
constexpr uint32_t kWaitMs = 10000;

void Fail(benchmark::State& state, const std::string& message);

// True when any benchmark of this run failed.
bool AnyFailed();

}  // namespace NBench
