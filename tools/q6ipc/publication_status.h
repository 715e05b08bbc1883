#pragma once
// Whether the agent is publishing: whether a live agent holds its instance
// mutex now (any account may ask; see os/linux/root_mutex_probe.h), and the
// age of its record: this machine's tick now minus the record's
// AtGetTickCount, the tick at which the agent wrote it.

#include <cstdint>
#include <optional>
#include <string>

#include "ipc/server_time_channel.h"

namespace NQ6Ipc {

// How much older than one publishing period a record may be and still count
// as the work of a running agent. A cycle itself takes well under a
// millisecond; the margin absorbs a cycle or a reader delayed by a loaded
// machine, while one missed publication (an age of two periods) always shows.
constexpr int64_t kPublishMarginMs = 5000;
constexpr int64_t kFreshLimitMs = int64_t{NServerTimeChannel::kPublishPeriodMs} + kPublishMarginMs;

// From the best to the worst: the first that applies is the verdict.
enum class NVerdict {
    Publishing,          // a live agent, and a record of the age it publishes at
    Stale,               // a live agent, and a record older than that, or from ahead
    BadRecord,           // a live agent, and a slot that holds no record
    NoRecord,            // a live agent, and no slot to read
    NotRunning,          // no live agent
    ReaderMisinstalled,  // no library beside q6ipc to read through
};

struct NPublicationStatus {
    NVerdict eVerdict = NVerdict::NoRecord;
    std::string strReason;  // why the verdict is not Publishing; empty when it is
    uint32_t nSlot = 0;
    std::optional<std::string> strRecord;      // the slot's text, when it could be read
    std::optional<int64_t> nAgeMs;             // negative when the record's tick lies ahead
    std::optional<std::string> strServerTime;  // carried forward to the tick of the reading
    std::optional<bool> bAgentRunning;         // nothing when it cannot be told
    std::string strAgentNote;                  // why it cannot be told
};

// Milliseconds from tick to now; negative when tick lies ahead of now.
int64_t AgeOf(uint64_t tick, uint64_t now);

// Publishing for an age from 0 to kFreshLimitMs, stale for any other.
NVerdict JudgeAge(int64_t ageMs);

// "publishing", "stale", "bad record", "no record", "not running" or
// "reader misinstalled".
const char* VerdictName(NVerdict verdict);

// The status of the edition's publication through the library beside q6ipc,
// with whether the agent runs now.
NPublicationStatus ObservePublication(bool mini);

}  // namespace NQ6Ipc
