#include "tools/q6ipc/publication_status.h"

#include <algorithm>
#include <limits>

#include "libq6time/server_time_reader.h"
#include "libq6time/slot_reader.h"
#include "os/linux/root_mutex_probe.h"
#include "os/tick_source.h"
#include "text/utf_codec.h"
#include "time/tick_clock.h"

namespace NQ6Ipc {
namespace {

constexpr char kNotRunningReason[] = "no live agent holds its instance mutex";

std::string StaleReason(int64_t ageMs) {
    return ageMs < 0 ? "the record's tick lies ahead of this machine's tick"
                     : "the record is older than " + std::to_string(kFreshLimitMs) + " ms";
}

// Whether a live agent holds its instance mutex now; nothing, with the
// reason in note, when that cannot be told.
std::optional<bool> IsAgentRunning(std::string& note) {
    const NOs::NResult<NOs::NMutexHolding> holding =
        NOs::ProbeRootMutex(NUtf::ToUtf8(NServerTimeChannel::kInstanceMutexName));
    if (!holding) {
        note = holding.Error().Message();
        return std::nullopt;
    }
    return holding.Value() == NOs::NMutexHolding::Held;
}

// The status of the record in slot as this machine's tick says now, with
// whether the agent runs (nothing: it cannot be told, judge by the record).
NPublicationStatus ReadPublicationStatus(const NQ6Time::NSlotReader& reader, uint32_t slot,
                                         std::optional<bool> agentRunning) {
    NPublicationStatus status;
    status.nSlot = slot;
    status.bAgentRunning = agentRunning;
    if (!reader.Loaded()) {
        status.eVerdict = NVerdict::ReaderMisinstalled;
        status.strReason = reader.Loaded().Error().Message();
        return status;
    }
    // A dead agent is the verdict whatever its record says.
    const bool notRunning = agentRunning == false;
    const auto judged = [&](NVerdict verdict, std::string reason) {
        status.eVerdict = notRunning ? NVerdict::NotRunning : verdict;
        status.strReason = notRunning ? kNotRunningReason : std::move(reason);
        return status;
    };
    const NOs::NTextResult<std::string> bytes = reader.Read(slot);
    if (!bytes) {
        return judged(NVerdict::NoRecord, bytes.Error().Message());
    }
    status.strRecord = NQ6Time::SlotTextToUtf8(bytes.Value());
    const NOs::NTextResult<NQ6Time::NServerTimeAnchor> anchor =
        NQ6Time::ReadAnchor(*status.strRecord);
    if (!anchor) {
        return judged(NVerdict::BadRecord, anchor.Error().Message());
    }
    // Read after the record, so that a record the agent has just written is
    // never younger than 0.
    const uint64_t now = NOs::GetTickCount64();
    status.nAgeMs = AgeOf(anchor.Value().nTick, now);
    const NOs::NTextResult<std::string> serverTime = NQ6Time::ShowServerTime(
        NTimeTick::CarryForward(anchor.Value().nServerTime, anchor.Value().nTick, now), false);
    if (serverTime) {
        status.strServerTime = serverTime.Value();
    }
    const NVerdict byAge = JudgeAge(*status.nAgeMs);
    return judged(byAge, byAge == NVerdict::Publishing ? "" : StaleReason(*status.nAgeMs));
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
        case NVerdict::BadRecord:
            return "bad record";
        case NVerdict::NoRecord:
            return "no record";
        case NVerdict::NotRunning:
            return "not running";
        case NVerdict::ReaderMisinstalled:
            break;
    }
    return "reader misinstalled";
}

NPublicationStatus ObservePublication(bool mini) {
    NQ6Time::NSlotReader reader;
    std::string note;
    const std::optional<bool> running = IsAgentRunning(note);
    NPublicationStatus status =
        ReadPublicationStatus(reader, NServerTimeChannel::SlotFor(mini), running);
    status.strAgentNote = note;
    return status;
}

}  // namespace NQ6Ipc
