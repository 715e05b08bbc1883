#include "tools/q6ipc/publication_status.h"

#include <algorithm>
#include <limits>

#include "libq6time/server_time_reader.h"
#include "os/tick_source.h"
#include "time/tick_clock.h"

namespace NQ6Ipc {
namespace {

std::string StaleReason(int64_t ageMs) {
    return ageMs < 0 ? "the record's tick lies ahead of this machine's tick"
                     : "the record is older than " + std::to_string(kFreshLimitMs) + " ms";
}

}  // namespace

int64_t AgeOf(uint64_t tick, uint64_t now) {
    constexpr uint64_t kLongest = std::numeric_limits<int64_t>::max();
    return now >= tick ? static_cast<int64_t>(std::min(now - tick, kLongest))
                       : -static_cast<int64_t>(std::min(tick - now, kLongest));
}

NVerdict JudgeAge(int64_t ageMs) {
    return ageMs >= 0 && ageMs <= kFreshLimitMs ? NVerdict::Publishing : NVerdict::Stale;
}

const char* VerdictName(NVerdict verdict) {
    switch (verdict) {
        case NVerdict::Publishing:
            return "publishing";
        case NVerdict::Stale:
            return "stale";
        case NVerdict::Missing:
            break;
    }
    return "missing";
}

NPublicationStatus ReadPublicationStatus(const NQ6Time::NSlotReader& reader, uint32_t slot) {
    NPublicationStatus status;
    status.nSlot = slot;
    const NOs::NTextResult<std::string> bytes = reader.Read(slot);
    if (!bytes) {
        status.strReason = bytes.Error().Message();
        return status;
    }
    status.strRecord = NQ6Time::SlotTextToUtf8(bytes.Value());
    const NOs::NTextResult<NQ6Time::NServerTimeAnchor> anchor =
        NQ6Time::ReadAnchor(*status.strRecord);
    if (!anchor) {
        status.strReason = anchor.Error().Message();
        return status;
    }
    // Read after the record, so that a record the agent has just written is
    // never younger than 0.
    const uint64_t now = NOs::GetTickCount64();
    status.nAgeMs = AgeOf(anchor.Value().nTick, now);
    status.eVerdict = JudgeAge(*status.nAgeMs);
    status.strReason = status.eVerdict == NVerdict::Publishing ? "" : StaleReason(*status.nAgeMs);
    const NOs::NTextResult<std::string> serverTime = NQ6Time::ShowServerTime(
        NTimeTick::CarryForward(anchor.Value().nServerTime, anchor.Value().nTick, now), false);
    if (serverTime) {
        status.strServerTime = serverTime.Value();
    }
    return status;
}

}  // namespace NQ6Ipc
