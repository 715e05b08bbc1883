#include "json/json_serializable.h"

NJsonSerializable::~NJsonSerializable() = default;

int NJsonSerializable::Serialize(Json::Value& /*value*/) { return 0; }

int NJsonSerializable::Deserialize(Json::Value& /*value*/) { return 0; }
