// A publication that wakes a reader waiting in another process, and the
// answer back: the slot written, q6time_wait of a forked reader returning
// for it, and a byte through a pipe.

#include <benchmark/benchmark.h>
#include <q6time.h>

#include <memory>
#include <string>

#include "base/text_convert.h"
#include "bench/bench_check.h"
#include "bench/ipc_exports.h"
#include "ipc/server_time_channel.h"
#include "tests/support/forked_child.h"

namespace {

using NBench::Fail;
using NBench::kWaitMs;
using NBench::NIpcExports;

const std::u16string kRecord =
    NUtf::ToUtf16(R"({"AtGetTickCount":"123456789","ServerTime":"2015-06-01 09:30:00"})");

// The reader: says it is ready, then answers each publication, count times.
int Answer(benchmark::IterationCount count, NPipe& answers) {
    q6time_reader* opened = nullptr;
    if (q6time_open(Q6TIME_NORMAL, &opened) != Q6TIME_OK) {
        return 1;
    }
    const std::unique_ptr<q6time_reader, decltype(&q6time_close)> reader(opened, &q6time_close);
    answers.Send();
    for (benchmark::IterationCount round = 0; round < count; ++round) {
        if (q6time_wait(reader.get(), kWaitMs) != Q6TIME_OK || !answers.Send()) {
            return 2;
        }
    }
    return 0;
}

void BM_WaitWake(benchmark::State& state) {
    const NOs::NTextResult<NIpcExports> ipc =
        NIpcExports::LoadHolding(NServerTimeChannel::kSlot, kRecord);
    if (!ipc) {
        Fail(state, "cannot publish: " + ipc.Error().Message());
        return;
    }
    const uint32_t size = NBench::SlotBytes(kRecord);
    const benchmark::IterationCount count = state.max_iterations;
    NPipe answers;
    NForkedChild reader([count, &answers] { return Answer(count, answers); });
    if (!reader.IsStarted() || !answers.Receive()) {
        Fail(state, "the reader did not start");
        return;
    }
    for (auto _ : state) {
        if (ipc.Value().SetData(NServerTimeChannel::kSlot, kRecord.c_str(), size) == 0) {
            Fail(state, "fnSetData failed");
            break;
        }
        if (!answers.Receive()) {
            Fail(state, "no answer from the reader");
            break;
        }
    }
    if (!state.error_occurred() && reader.Wait() != 0) {
        Fail(state, "the reader failed");
    }
}
BENCHMARK(BM_WaitWake)->Unit(benchmark::kMicrosecond);

}  // namespace
