#pragma once
// NJsonSerializer: turns records into compact JSON text and moves UTF-16
// fields in and out of JSON values. Inside the JSON value tree every key and
// string is UTF-8; callers only see UTF-16.

#include <json/forwards.h>

#include "base/nstring.h"
#include "json/json_serializable.h"

namespace NJsonSerializer {

// 1 when output now holds the record's JSON text; 0 for a null record, a
// record whose Serialize fails, or a text that cannot be converted. On 0 the
// output is left as it was.
int SerializeW(NJsonSerializable* record, NString& output);

// Sets the member key of value to the field as a JSON string (a null value
// becomes an object; a member of the same key is replaced). Sets nothing when
// value is neither null nor an object, or when key or field cannot be
// converted.
void SetString(Json::Value& value, const char16_t* key, const NString& field);

// The text of member key when value is an object and the member is a JSON
// string; the empty text otherwise. value is never changed.
NString GetString(Json::Value& value, const char16_t* key);

}  // namespace NJsonSerializer
