// One write and one read of the server time slot through the library's
// exports, and what a reader pays for the current server time.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "base/text_convert.h"
#include "bench/bench_check.h"
#include "bench/ipc_exports.h"
#include "ipc/server_time_channel.h"
#include "os/tick_source.h"
#include "tools/q6ipc/commands.h"
#include "tools/q6ipc/slot_reader.h"

namespace {

using NBench::Fail;
using NBench::NIpcExports;

constexpr uint32_t kSlot = NServerTimeChannel::kSlot;

// The record as the agent stores it: UTF-16 with its terminating zero.
std::u16string RecordText(const std::string& tick) {
    return NUtf::ToUtf16(R"({"AtGetTickCount":")" + tick +
                         R"(","ServerTime":"2015-06-01 09:30:00"})");
}

uint32_t SlotBytes(const std::u16string& text) {
    return static_cast<uint32_t>((text.size() + 1) * sizeof(char16_t));
}

// The README's example record, 132 bytes in its slot.
const std::u16string kExampleRecord = RecordText("123456789");

// Loads the library and stores text in the slot; false, reported, on failure.
bool StoreRecord(benchmark::State& state, const NIpcExports& ipc, const std::u16string& text) {
    if (!ipc.IsReady()) {
        Fail(state, ipc.GetError());
        return false;
    }
    if (ipc.SetData(kSlot, text.c_str(), SlotBytes(text)) == 0) {
        Fail(state, "fnSetData failed");
        return false;
    }
    return true;
}

void BM_SlotWrite(benchmark::State& state) {
    const NIpcExports ipc;
    if (!StoreRecord(state, ipc, kExampleRecord)) {
        return;
    }
    const uint32_t size = SlotBytes(kExampleRecord);
    for (auto _ : state) {
        if (ipc.SetData(kSlot, kExampleRecord.c_str(), size) == 0) {
            Fail(state, "fnSetData failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
}
BENCHMARK(BM_SlotWrite)->Unit(benchmark::kMicrosecond);

void BM_SlotRead(benchmark::State& state) {
    const NIpcExports ipc;
    if (!StoreRecord(state, ipc, kExampleRecord)) {
        return;
    }
    const uint32_t expected = SlotBytes(kExampleRecord);
    std::vector<char> buffer(QXIPC_MAX_DATA_SIZE);
    for (auto _ : state) {
        uint32_t size = 0;
        if (ipc.GetData(kSlot, buffer.data(), static_cast<uint32_t>(buffer.size()), &size) == 0 ||
            size != expected) {
            Fail(state, "fnGetData did not return the record");
            break;
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * expected);
}
BENCHMARK(BM_SlotRead)->Unit(benchmark::kMicrosecond);

// What `q6ipc now` does once its library is loaded: read the slot, parse the
// record, carry its server time forward with this machine's tick.
void BM_ServerTimeNow(benchmark::State& state) {
    const NIpcExports ipc;
    if (!StoreRecord(state, ipc, RecordText(std::to_string(NOs::GetTickCount64())))) {
        return;
    }
    NQ6Ipc::NSlotReader reader;
    std::string error;
    for (auto _ : state) {
        const std::optional<std::string> bytes = reader.Read(kSlot);
        if (!bytes) {
            Fail(state, reader.GetError());
            break;
        }
        const std::optional<std::string> now =
            NQ6Ipc::CarryServerTime(NQ6Ipc::SlotTextToUtf8(*bytes), false, error);
        if (!now) {
            Fail(state, error);
            break;
        }
        benchmark::DoNotOptimize(now->data());
    }
}
BENCHMARK(BM_ServerTimeNow)->Unit(benchmark::kMicrosecond);

}  // namespace
