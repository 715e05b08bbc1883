// A set event that wakes a waiter in another process, and the answer back:
// two named auto-reset events ping-ponged with a forked child.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/bench_check.h"
#include "os/named_event.h"
#include "tests/support/forked_child.h"

namespace {

using NBench::Fail;
using NBench::kWaitMs;

constexpr char kPingName[] = "bench_ping";
constexpr char kPongName[] = "bench_pong";

// The child: answers each ping with a pong, count times.
int Answer(benchmark::IterationCount count) {
    const auto ping = NOs::NNamedEvent::Open(kPingName);
    const auto pong = NOs::NNamedEvent::Open(kPongName);
    if (!ping || !pong) {
        return 1;
    }
    for (benchmark::IterationCount round = 0; round < count; ++round) {
        if (ping.Value()->Wait(kWaitMs) != NOs::NWaitResult::Signalled) {
            return 1;
        }
        if (!pong.Value()->Set()) {
            return 2;
        }
    }
    return 0;
}

void BM_EventRoundTrip(benchmark::State& state) {
    const auto ping = NOs::NNamedEvent::Create(kPingName, false, NOs::NObjectAccess::Default);
    const auto pong = NOs::NNamedEvent::Create(kPongName, false, NOs::NObjectAccess::Default);
    if (!ping || !pong) {
        Fail(state, "cannot create the events");
        return;
    }
    const benchmark::IterationCount count = state.max_iterations;
    NForkedChild child([count] { return Answer(count); });
    if (!child.IsStarted()) {
        Fail(state, "cannot fork the answering process");
        return;
    }
    for (auto _ : state) {
        if (!ping.Value()->Set()) {
            Fail(state, "cannot set the event");
            break;
        }
        if (pong.Value()->Wait(kWaitMs) != NOs::NWaitResult::Signalled) {
            Fail(state, "no answer from the other process");
            break;
        }
    }
    if (!state.error_occurred() && child.Wait() != 0) {
        Fail(state, "the answering process failed");
    }
}
BENCHMARK(BM_EventRoundTrip)->Unit(benchmark::kMicrosecond);

}  // namespace
