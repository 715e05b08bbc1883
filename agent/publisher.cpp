#include "agent/publisher.h"

#include "agent/agent_state.h"
#include "base/format.h"
#include "base/nstring.h"
#include "base/text_convert.h"
#include "ipc/global_event.h"
#include "ipc/ipc_data_server_dt.h"
#include "ipc/ipc_util.h"
#include "ipc/server_time_channel.h"
#include "json/json_serializer.h"
#include "log/log_front.h"

namespace q6tsa {
namespace {

constexpr int kServerTimeFormat = 120;
// Room for the 20 digits of the largest 64-bit tick and the terminator.
constexpr size_t kTickTextUnits = 21;

}  // namespace

void Send_Time_tick(NOs::NNamedEvent* event) {
    NString timeText(u"");
    NString tickText(u"");
    g_pTimeTick->Refresh();
    g_pTimeTick->GetTimeText(kServerTimeFormat, false, timeText);
    char16_t tickBuffer[kTickTextUnits] = {};
    NFormat::Print(tickBuffer, kTickTextUnits, u"%I64u", g_pTimeTick->GetTick());
    tickText.Assign(tickBuffer);

    QR6::TS::LIB::NIpcData_ServerDT record;
    record.ServerTime.Assign(timeText.GetText());
    record.AtGetTickCount.Assign(tickText.GetText());

    NIpcUtil ipc(g_bMiniMode);
    NString json(u"");
    if (NJsonSerializer::SerializeW(&record, json) == 0) {
        WriteLog(kLogFatal, u"q6tsa::Send_Time_tick: NJsonSerializer::SerializeW() error.");
        return;
    }
    if (ipc.SetData(NServerTimeChannel::SlotFor(g_bMiniMode != 0), json) == 0) {
        WriteLog(kLogFatal, u"q6tsa::Send_Time_tick: ipc.SetData error.");
        WriteLog(kLogDebug, u"q6tsa::Send_Time_tick: %s", ipc.GetLastFailure().c_str());
        return;
    }
    const NOs::NStatus set = NMisc::SetGlobalEvent(event);
    if (!set) {
        WriteLog(kLogDebug, u"q6tsa::Send_Time_tick: the publish event cannot be set: %s",
                 NUtf::ToUtf16(set.Error().Message()).c_str());
    }
}

}  // namespace q6tsa
