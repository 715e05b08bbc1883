// NJsonSerializer::GetString and the server time record over any JSON that
// JsonCpp reads, of any value kind.
//
// Input: a member key as UTF-8 up to the first line feed, then the JSON text.
// GetString gives the member's text when the value is an object whose member
// is a string, the empty text otherwise, and never changes the value. The
// record reads its fields the same way and makes the round trip through its
// own JSON text. The compact text of any value reads back as the same value.

#include <json/json.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/nstring.h"
#include "base/text_convert.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "ipc/ipc_data_server_dt.h"
#include "json/json_compact_writer.h"
#include "json/json_serializer.h"

namespace {

using NFuzz::Require;
using QR6::TS::LIB::NIpcData_ServerDT;

bool Parse(std::string_view text, Json::Value& value) {
    const Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    return reader->parse(text.data(), text.data() + text.size(), &value, nullptr);
}

// What GetString should give: the member's UTF-8 text up to its first zero
// byte, in UTF-16.
std::u16string ExpectedString(const Json::Value& value, const std::u16string& key) {
    if (!value.isObject()) {
        return u"";
    }
    const std::string utf8Key = NUtf::ToUtf8(key);
    const Json::Value* member = value.find(utf8Key.data(), utf8Key.data() + utf8Key.size());
    if (member == nullptr || !member->isString()) {
        return u"";
    }
    return NUtf::ToUtf16(member->asCString());
}

void CheckGetString(Json::Value& value, const std::u16string& key) {
    const Json::Value before = value;
    const NString text = NJsonSerializer::GetString(value, key.c_str());
    Require(value == before, "GetString leaves the value as it was");
    Require(text.GetText() == ExpectedString(value, key), "GetString gives the member's text");
}

void CheckRecord(Json::Value& value) {
    NIpcData_ServerDT record;
    record.ServerTime = u"stale";
    record.AtGetTickCount = u"42";
    Require(record.Deserialize(value) == 1, "Deserialize succeeds");
    Require(record.ServerTime.GetText() == ExpectedString(value, u"ServerTime"),
            "Deserialize reads ServerTime");
    Require(record.AtGetTickCount.GetText() == ExpectedString(value, u"AtGetTickCount"),
            "Deserialize reads AtGetTickCount");

    NString text;
    Require(NJsonSerializer::SerializeW(&record, text) == 1, "a read record serializes");
    Json::Value written;
    Require(Parse(NUtf::ToUtf8(text.GetText()), written), "the record's text is JSON");
    NIpcData_ServerDT copy;
    copy.Deserialize(written);
    Require(copy.ServerTime.GetText() == std::u16string(record.ServerTime.GetText()) &&
                copy.AtGetTickCount.GetText() == std::u16string(record.AtGetTickCount.GetText()),
            "the record makes the round trip through its JSON text");
}

// An escape of the compact text: one of \" \\ \b \f \n \r \t, or \u00XX with
// upper-case digits for a byte below 0x20 without a short escape. escape
// starts after the backslash; the result is its length, 0 for an escape that
// does not belong.
size_t EscapeLength(std::string_view escape) {
    constexpr std::string_view kShortEscapes = "\"\\bfnrt";
    constexpr std::string_view kShortEscaped = "\b\f\n\r\t";
    constexpr std::string_view kHexDigits = "0123456789ABCDEF";
    if (escape.empty()) {
        return 0;
    }
    if (kShortEscapes.find(escape[0]) != std::string_view::npos) {
        return 1;
    }
    const std::string_view digits = escape.substr(1, 4);
    if (escape[0] != 'u' || digits.size() != 4 ||
        digits.find_first_not_of(kHexDigits) != std::string_view::npos) {
        return 0;
    }
    const int code = std::stoi(std::string(digits), nullptr, 16);
    const bool shortEscaped = kShortEscaped.find(static_cast<char>(code)) != std::string_view::npos;
    return code < 0x20 && !shortEscaped ? 5 : 0;
}

void CheckCompactText(const Json::Value& value) {
    const std::string text = NJsonCompactWriter::Write(value);
    Json::Value reread;
    Require(Parse(text, reread), "the compact text is JSON");
    Require(reread == value, "the compact text reads back as the same value");
    for (size_t pos = text.find('\\'); pos != std::string::npos; pos = text.find('\\', pos)) {
        const size_t length = EscapeLength(std::string_view(text).substr(pos + 1));
        Require(length != 0, "the compact text has only the escapes of its readers");
        pos += 1 + length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    NFuzzInput input(data, size);
    const std::u16string key = NUtf::ToUtf16(input.TakeLine());
    Json::Value value;
    if (!Parse(input.TakeRest(), value)) {
        return 0;
    }
    CheckGetString(value, NFuzz::UpToZero<char16_t>(key));
    CheckRecord(value);
    CheckCompactText(value);
    return 0;
}
