#pragma once
// Failures of a benchmark: the benchmark reports the error and the whole run
// ends with a non-zero exit code, so that a broken cycle is never timed as a
// fast one.

#include <benchmark/benchmark.h>

#include <string>

namespace NBench {

void Fail(benchmark::State& state, const std::string& message);

// True when any benchmark of this run failed.
bool AnyFailed();

}  // namespace NBench
