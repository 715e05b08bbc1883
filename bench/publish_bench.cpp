// One whole publishing cycle, and its serialization step alone.

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>

#include "agent/agent_state.h"
#include "agent/publisher.h"
#include "bench/bench_check.h"
#include "ipc/global_event.h"
#include "ipc/ipc_data_server_dt.h"
#include "ipc/server_time_channel.h"
#include "json/json_serializer.h"
#include "libq6time/slot_reader.h"
#include "os/tick_source.h"
#include "tools/q6ipc/commands.h"

namespace {

using NBench::Fail;

// 2015-06-01 09:30:00 in 100-nanosecond units since 1601.
constexpr uint64_t kServerTime = (1433151000ull + 11644473600ull) * 10000000ull;

// The slot holds a record that a reader accepts, and the event is signalled.
std::optional<std::string> CheckPublished(NOs::NNamedEvent& event) {
    const NOs::NTextResult<std::string> bytes =
        NQ6Time::NSlotReader().Read(NServerTimeChannel::kSlot);
    if (!bytes) {
        return bytes.Error().Message();
    }
    const NOs::NTextResult<std::string> carried =
        NQ6Ipc::CarryServerTime(NQ6Time::SlotTextToUtf8(bytes.Value()), false);
    if (!carried) {
        return carried.Error().Message();
    }
    if (event.Wait(0) != NOs::NWaitResult::Signalled) {
        return std::string("the publish event was not signalled");
    }
    return std::nullopt;
}

// The agent's cycle as the main loop calls it, in the normal edition, on the
// machine's tick counter.
void BM_PublishCycle(benchmark::State& state) {
    const NMisc::NEventHandle event =
        NMisc::CreateGlobalEvent(NServerTimeChannel::EventNameFor(false), 0);
    if (!event) {
        Fail(state, "cannot create the publish event");
        return;
    }
    g_bMiniMode = 0;
    g_pTimeTick = std::make_unique<NTimeTick>();
    g_pTimeTick->SetBase(kServerTime, NOs::GetTickCount64());
    // The first cycle of a run also loads the IPC driver.
    q6tsa::Send_Time_tick(event.get());
    for (auto _ : state) {
        q6tsa::Send_Time_tick(event.get());
    }
    if (const std::optional<std::string> error = CheckPublished(*event)) {
        Fail(state, *error);
    }
    g_pTimeTick.reset();
}
BENCHMARK(BM_PublishCycle)->Unit(benchmark::kMicrosecond);

void BM_SerializeRecord(benchmark::State& state) {
    QR6::TS::LIB::NIpcData_ServerDT record;
    record.ServerTime.Assign(u"2015-06-01 09:30:00");
    record.AtGetTickCount.Assign(u"123456789");
    for (auto _ : state) {
        NString json(u"");
        if (NJsonSerializer::SerializeW(&record, json) == 0) {
            Fail(state, "NJsonSerializer::SerializeW failed");
            break;
        }
        benchmark::DoNotOptimize(json.GetText());
    }
}
BENCHMARK(BM_SerializeRecord)->Unit(benchmark::kMicrosecond);

}  // namespace
