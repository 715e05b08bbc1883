#include "tools/q6ipc/status_report.h"

#include <json/json.h>

#include "libq6time/slot_reader.h"

namespace NQ6Ipc {
namespace {

std::string Line(const char* label, const std::string& value) {
    std::string line = label;
    line.resize(13, ' ');  // the values line up after the longest label
    return line + value + "\n";
}

std::string VerdictText(const NPublicationStatus& status) {
    const std::string name = VerdictName(status.eVerdict);
    return status.strReason.empty() ? name : name + " (" + status.strReason + ")";
}

template <typename T>
Json::Value ValueOrNull(const std::optional<T>& value) {
    return value ? Json::Value(*value) : Json::Value();
}

std::string AgentText(const NPublicationStatus& status) {
    if (!status.bAgentRunning) {
        return "cannot be told (" + status.strAgentNote + ")";
    }
    return *status.bAgentRunning ? "running" : "not running";
}

}  // namespace

std::string StatusText(const NPublicationStatus& status) {
    std::string text =
        Line("verdict:", VerdictText(status)) + Line("slot:", NQ6Time::SlotIdText(status.nSlot));
    if (status.eVerdict != NVerdict::ReaderMisinstalled) {
        text += Line("agent:", AgentText(status));
    }
    if (status.strRecord) {
        text += Line("record:", *status.strRecord);
    }
    if (status.nAgeMs) {
        text += Line("age:", std::to_string(*status.nAgeMs) + " ms");
    }
    if (status.strServerTime) {
        text += Line("server time:", *status.strServerTime);
    }
    return text;
}

std::string StatusJson(const NPublicationStatus& status) {
    Json::Value object(Json::objectValue);
    object["verdict"] = VerdictName(status.eVerdict);
    object["reason"] = status.strReason.empty() ? Json::Value() : Json::Value(status.strReason);
    object["slot"] = NQ6Time::SlotIdText(status.nSlot);
    object["record"] = ValueOrNull(status.strRecord);
    object["ageMs"] = ValueOrNull(status.nAgeMs);
    object["serverTime"] = ValueOrNull(status.strServerTime);
    object["limitMs"] = Json::Value(Json::Int64{kFreshLimitMs});
    object["agentRunning"] = ValueOrNull(status.bAgentRunning);
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, object) + "\n";
}

}  // namespace NQ6Ipc
