#pragma once
// The compact JSON text of a value, as the records' readers expect it: no
// white space, members in ascending byte order of their keys, the escapes
// \" \\ \b \f \n \r \t, every other byte 0x01-0x1F as \u00XX with upper-case
// hex digits, everything else (UTF-8 sequences included) written raw.

#include <json/value.h>

#include <string>

namespace NJsonCompactWriter {
std::string Write(const Json::Value& value);
}  // namespace NJsonCompactWriter
