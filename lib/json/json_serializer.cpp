#include "json/json_serializer.h"

#include <json/value.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "base/code_page.h"
#include "base/text_convert.h"
#include "json/json_compact_writer.h"

namespace {

struct NFreeDeleter {
    void operator()(void* pData) const { std::free(pData); }
};

// A text returned by the code-page converters, freed when it goes.
template <class T>
using NConvertedText = std::unique_ptr<T[], NFreeDeleter>;

NConvertedText<char> ToUtf8(const char16_t* text) {
    return NConvertedText<char>(WideToMulti(text, NWin::CP_UTF8));
}

NConvertedText<char16_t> ToUtf16(const char* text) {
    return NConvertedText<char16_t>(MultiToWide(text, NWin::CP_UTF8));
}

}  // namespace

namespace NJsonSerializer {

int SerializeW(NJsonSerializable* record, NString& output) {
    if (record == nullptr) {
        return 0;
    }
    Json::Value root;
    try {
        if (record->Serialize(root) == 0) {
            return 0;
        }
    } catch (const Json::Exception&) {
        return 0;  // a record that misused its value
    }
    const std::string text = NJsonCompactWriter::Write(root);
    const NConvertedText<char16_t> wideText = ToUtf16(text.c_str());
    if (!wideText) {
        return 0;
    }
    output.Assign(wideText.get());
    return 1;
}

void SetString(Json::Value& value, const char16_t* key, const NString& field) {
    if (!value.isNull() && !value.isObject()) {
        return;
    }
    const NConvertedText<char> utf8Key = ToUtf8(key);
    if (!utf8Key) {
        return;
    }
    const NConvertedText<char> utf8Text = ToUtf8(field.GetText());
    if (!utf8Text) {
        return;
    }
    value[utf8Key.get()] = Json::Value(utf8Text.get());
}

NString GetString(Json::Value& value, const char16_t* key) {
    NString result;
    if (!value.isObject()) {
        return result;
    }
    const NConvertedText<char> utf8Key = ToUtf8(key);
    if (!utf8Key) {
        return result;
    }
    const char* keyBegin = utf8Key.get();
    const Json::Value* member = value.find(keyBegin, keyBegin + std::strlen(keyBegin));
    if (member == nullptr || !member->isString()) {
        return result;
    }
    const NConvertedText<char16_t> wideText = ToUtf16(member->asCString());
    if (wideText) {
        result.Assign(wideText.get());
    }
    return result;
}

}  // namespace NJsonSerializer
