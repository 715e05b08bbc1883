#include "json/json_compact_writer.h"

#include <json/writer.h>

#include <cctype>
#include <cstddef>

namespace {

constexpr size_t kHexDigitsPerEscape = 4;

// JsonCpp's builder writes the control-byte escapes with lower-case hex
// digits; readers of the records expect upper case.
void UpperCaseUnicodeEscapes(std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '\\') {
            continue;
        }
        ++i;  // the escaped character, so that "\\u" is not taken for "\u"
        if (text[i] != 'u') {
            continue;
        }
        for (size_t k = 1; k <= kHexDigitsPerEscape && i + k < text.size(); ++k) {
            text[i + k] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + k])));
        }
        i += kHexDigitsPerEscape;
    }
}

// Made once: building the settings costs more than writing a small record.
// Writing only reads them, so concurrent writers may share them.
const Json::StreamWriterBuilder& CompactBuilder() {
    static const Json::StreamWriterBuilder builder = [] {
        Json::StreamWriterBuilder settings;
        settings["indentation"] = "";  // compact, and no line feed at the end
        settings["emitUTF8"] = true;   // non-ASCII stays raw UTF-8
        settings["commentStyle"] = "None";
        return settings;
    }();
    return builder;
}

}  // namespace

namespace NJsonCompactWriter {

std::string Write(const Json::Value& value) {
    std::string text = Json::writeString(CompactBuilder(), value);
    UpperCaseUnicodeEscapes(text);
    return text;
}

}  // namespace NJsonCompactWriter
