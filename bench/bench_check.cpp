#include "bench/bench_check.h"

namespace NBench {
namespace {

bool g_bAnyFailed = false;

}  // namespace

void Fail(benchmark::State& state, const std::string& message) {
    g_bAnyFailed = true;
    state.SkipWithError(message.c_str());
}

bool AnyFailed() { return g_bAnyFailed; }

}  // namespace NBench
