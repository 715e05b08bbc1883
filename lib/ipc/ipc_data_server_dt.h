#pragma once
// The server time record published to the suite's processes:
// {"AtGetTickCount":"<tick>","ServerTime":"<YYYY-MM-DD hh:mm:ss>"}.

#include <json/forwards.h>

#include "base/nstring.h"
#include "json/json_serializable.h"

namespace QR6::TS::LIB {

class NIpcData_ServerDT : public NJsonSerializable {
public:
    // Both fields are carried as JSON strings, unchecked.
    NString ServerTime;      // the server's date and time
    NString AtGetTickCount;  // tick count in milliseconds at which ServerTime held

    // Always 1; a field that cannot be converted is left out of the text.
    int Serialize(Json::Value& value) override;
    // Always 1; a member that is absent or not a string empties its field.
    int Deserialize(Json::Value& value) override;
};

}  // namespace QR6::TS::LIB
