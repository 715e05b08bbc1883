#pragma once
// `q6ipc check`: a publication status as the monitoring plugins' guidelines
// want it (Nagios, Icinga, and the agents that run such plugins): one line,
// "Q6TSA STATE - what|age=AGEms;WARN;CRIT;0", and the state as exit code.

#include <cstdint>
#include <string>

#include "tools/q6ipc/publication_status.h"

namespace NQ6Ipc {

enum class NPluginState { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

// The ages from which a record is worth a warning or is critical: by default
// one publication late, and two publications missed.
struct NPluginThresholds {
    int64_t nWarningMs = kFreshLimitMs;
    int64_t nCriticalMs = kFreshLimitMs + int64_t{NServerTimeChannel::kPublishPeriodMs};
};

// OK up to the warning age, WARNING up to the critical age, CRITICAL beyond
// it, for a record from ahead, or without a live agent or its record;
// UNKNOWN when the reader cannot read.
NPluginState JudgeForMonitoring(const NPublicationStatus& status,
                                const NPluginThresholds& thresholds);

// The plugin's line, with its line end.
std::string PluginLine(const NPublicationStatus& status, const NPluginThresholds& thresholds);

}  // namespace NQ6Ipc
