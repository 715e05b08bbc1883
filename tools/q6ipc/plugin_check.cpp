#include "tools/q6ipc/plugin_check.h"

namespace NQ6Ipc {
namespace {

const char* StateName(NPluginState state) {
    switch (state) {
        case NPluginState::Ok:
            return "OK";
        case NPluginState::Warning:
            return "WARNING";
        case NPluginState::Critical:
            return "CRITICAL";
        case NPluginState::Unknown:
            break;
    }
    return "UNKNOWN";
}

std::string Summary(const NPublicationStatus& status) {
    std::string summary = VerdictName(status.eVerdict);
    if (!status.strReason.empty()) {
        summary += " (" + status.strReason + ")";
    }
    if (status.nAgeMs) {
        summary += ", record " + std::to_string(*status.nAgeMs) + " ms old";
    }
    if (status.strServerTime) {
        summary += ", server time " + *status.strServerTime;
    }
    return summary;
}

// Performance data: the age against the thresholds, from 0 up.
std::string PerformanceData(const NPublicationStatus& status, const NPluginThresholds& thresholds) {
    if (!status.nAgeMs) {
        return "";
    }
    return "|age=" + std::to_string(*status.nAgeMs) + "ms;" +
           std::to_string(thresholds.nWarningMs) + ";" + std::to_string(thresholds.nCriticalMs) +
           ";0";
}

}  // namespace

NPluginState JudgeForMonitoring(const NPublicationStatus& status,
                                const NPluginThresholds& thresholds) {
    switch (status.eVerdict) {
        case NVerdict::ReaderMisinstalled:
            return NPluginState::Unknown;
        case NVerdict::NotRunning:
        case NVerdict::NoRecord:
        case NVerdict::BadRecord:
            return NPluginState::Critical;
        case NVerdict::Publishing:
        case NVerdict::Stale:
            break;
    }
    const int64_t age = status.nAgeMs.value_or(-1);
    if (age < 0 || age > thresholds.nCriticalMs) {
        return NPluginState::Critical;
    }
    return age > thresholds.nWarningMs ? NPluginState::Warning : NPluginState::Ok;
}

std::string PluginLine(const NPublicationStatus& status, const NPluginThresholds& thresholds) {
    // The line is one line whatever a record or a reason holds.
    std::string summary = Summary(status);
    for (char& character : summary) {
        if (character == '\n' || character == '\r' || character == '|') {
            character = ' ';
        }
    }
    return std::string("Q6TSA ") + StateName(JudgeForMonitoring(status, thresholds)) + " - " +
           summary + PerformanceData(status, thresholds) + "\n";
}

}  // namespace NQ6Ipc
