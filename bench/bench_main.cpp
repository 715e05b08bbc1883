// Runs the benchmarks in an object namespace of their own, so that they
// never touch the machine's slots and events, and removes it afterwards.

#include <benchmark/benchmark.h>

#include "bench/bench_check.h"
#include "tests/support/object_namespace.h"

int main(int argc, char** argv) {
    const NObjectNamespace space;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return NBench::AnyFailed() ? 1 : 0;
}
