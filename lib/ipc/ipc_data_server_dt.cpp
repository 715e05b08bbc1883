#include "ipc/ipc_data_server_dt.h"

#include "json/json_serializer.h"

namespace QR6::TS::LIB {

namespace {
constexpr const char16_t* kServerTimeKey = u"ServerTime";
constexpr const char16_t* kAtGetTickCountKey = u"AtGetTickCount";
}  // namespace

int NIpcData_ServerDT::Serialize(Json::Value& value) {
    NJsonSerializer::SetString(value, kServerTimeKey, ServerTime);
    NJsonSerializer::SetString(value, kAtGetTickCountKey, AtGetTickCount);
    return 1;
}

int NIpcData_ServerDT::Deserialize(Json::Value& value) {
    ServerTime = NJsonSerializer::GetString(value, kServerTimeKey);
    AtGetTickCount = NJsonSerializer::GetString(value, kAtGetTickCountKey);
    return 1;
}

}  // namespace QR6::TS::LIB
