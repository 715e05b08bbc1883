// Writes and reads of the server time slot through the library's exports,
// repeated with the library loaded, and what a reader pays for the current
// server time.

#include <benchmark/benchmark.h>
#include <q6time.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/text_convert.h"
#include "bench/bench_check.h"
#include "bench/ipc_exports.h"
#include "ipc/server_time_channel.h"
#include "libq6time/server_time_reader.h"
#include "os/tick_source.h"

namespace {

using NBench::Fail;
using NBench::NIpcExports;
using NBench::SlotBytes;

constexpr uint32_t kSlot = NServerTimeChannel::kSlot;

// The record as the agent stores it: UTF-16 with its terminating zero.
std::u16string RecordText(const std::string& tick) {
    return NUtf::ToUtf16(R"({"AtGetTickCount":")" + tick +
                         R"(","ServerTime":"2015-06-01 09:30:00"})");
}

// The README's example record, 132 bytes in its slot.
const std::u16string kExampleRecord = RecordText("123456789");

// The library loaded with text in the slot; empty, reported, on failure.
std::optional<NIpcExports> StoreRecord(benchmark::State& state, const std::u16string& text) {
    NOs::NTextResult<NIpcExports> ipc = NIpcExports::LoadHolding(kSlot, text);
    if (!ipc) {
        Fail(state, ipc.Error().Message());
        return std::nullopt;
    }
    return ipc.Take();
}

void BM_SlotWrite(benchmark::State& state) {
    const std::optional<NIpcExports> ipc = StoreRecord(state, kExampleRecord);
    if (!ipc) {
        return;
    }
    const uint32_t size = SlotBytes(kExampleRecord);
    for (auto _ : state) {
        if (ipc->SetData(kSlot, kExampleRecord.c_str(), size) == 0) {
            Fail(state, "fnSetData failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
}
BENCHMARK(BM_SlotWrite)->Unit(benchmark::kNanosecond);

void BM_SlotRead(benchmark::State& state) {
    const std::optional<NIpcExports> ipc = StoreRecord(state, kExampleRecord);
    if (!ipc) {
        return;
    }
    const uint32_t expected = SlotBytes(kExampleRecord);
    std::vector<char> buffer(QXIPC_MAX_DATA_SIZE);
    for (auto _ : state) {
        uint32_t size = 0;
        if (ipc->GetData(kSlot, buffer.data(), static_cast<uint32_t>(buffer.size()), &size) == 0 ||
            size != expected) {
            Fail(state, "fnGetData did not return the record");
            break;
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * expected);
}
BENCHMARK(BM_SlotRead)->Unit(benchmark::kNanosecond);

// What a reader of the server time pays with its library loaded and the
// record unchanged between calls: the slot's stamp, one tick, one addition.
void BM_ServerTimeNow(benchmark::State& state) {
    const std::optional<NIpcExports> ipc =
        StoreRecord(state, RecordText(std::to_string(NOs::GetTickCount64())));
    if (!ipc) {
        return;
    }
    NQ6Time::NServerTimeReader reader(kSlot);
    for (auto _ : state) {
        const NOs::NTextResult<uint64_t> now = reader.Now();
        if (!now) {
            Fail(state, now.Error().Message());
            break;
        }
        benchmark::DoNotOptimize(now.Value());
    }
}
BENCHMARK(BM_ServerTimeNow)->Unit(benchmark::kNanosecond);

// The same through libq6time, as any program reads it: q6time_now with the
// reader open and the record unchanged.
void BM_Q6TimeNow(benchmark::State& state) {
    const std::optional<NIpcExports> ipc =
        StoreRecord(state, RecordText(std::to_string(NOs::GetTickCount64())));
    if (!ipc) {
        return;
    }
    q6time_reader* opened = nullptr;
    const int status = q6time_open(Q6TIME_NORMAL, &opened);
    const std::unique_ptr<q6time_reader, decltype(&q6time_close)> reader(opened, &q6time_close);
    if (status != Q6TIME_OK) {
        Fail(state, q6time_strerror(status));
        return;
    }
    for (auto _ : state) {
        uint64_t now = 0;
        if (q6time_now(reader.get(), &now) != Q6TIME_OK) {
            Fail(state, "q6time_now failed");
            break;
        }
        benchmark::DoNotOptimize(now);
    }
}
BENCHMARK(BM_Q6TimeNow)->Unit(benchmark::kNanosecond);

// The yardstick: the clock that the tick comes from, read alone.
void BM_ClockRead(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(NOs::GetTickCount64());
    }
}
BENCHMARK(BM_ClockRead)->Unit(benchmark::kNanosecond);

}  // namespace
