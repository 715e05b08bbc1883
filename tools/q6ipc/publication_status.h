#pragma once
// Whether the agent is publishing, judged by the age of its record: this
// machine's tick now minus the record's AtGetTickCount, the tick at which the
// agent wrote it.

#include <cstdint>
#include <optional>
#include <string>

#include "ipc/server_time_channel.h"
#include "libq6time/slot_reader.h"

namespace NQ6Ipc {

// How much older than one publishing period a record may be and still count
// as the work of a running agent. A cycle itself takes well under a
// millisecond; the margin absorbs a cycle or a reader delayed by a loaded
// machine, while one missed publication (an age of two periods) always shows.
constexpr int64_t kPublishMarginMs = 5000;
constexpr int64_t kFreshLimitMs = int64_t{NServerTimeChannel::kPublishPeriodMs} + kPublishMarginMs;

enum class NVerdict { Publishing, Stale, Missing };

struct NPublicationStatus {
    NVerdict eVerdict = NVerdict::Missing;
    std::string strReason;  // why the verdict is not Publishing; empty when it is
    uint32_t nSlot = 0;
    std::optional<std::string> strRecord;      // the slot's text, when it could be read
    std::optional<int64_t> nAgeMs;             // negative when the record's tick lies ahead
    std::optional<std::string> strServerTime;  // carried forward to the tick of the reading
};

// Milliseconds from tick to now; negative when tick lies ahead of now.
int64_t AgeOf(uint64_t tick, uint64_t now);

// Publishing for an age from 0 to kFreshLimitMs, stale for any other.
NVerdict JudgeAge(int64_t ageMs);

// "publishing", "stale" or "missing".
const char* VerdictName(NVerdict verdict);

// The status of the record in slot as this machine's tick says now.
NPublicationStatus ReadPublicationStatus(const NQ6Time::NSlotReader& reader, uint32_t slot);

}  // namespace NQ6Ipc
