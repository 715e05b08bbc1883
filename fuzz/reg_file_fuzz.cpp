// The .reg reader over any file content.
//
// Input: a text as UTF-8 up to the first line feed, then the file content.
// The file decodes like our own UTF-8 converter where it is valid UTF-8.
// After any content, a key with values written in the file's own encoding
// (among them the input's text, as a string and as a byte list of a fuzzed
// type) reads back exactly, provided the content began with a header.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_convert.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "regfile/reg_file_parser.h"
#include "regfile/reg_file_text.h"
#include "regfile/reg_tree.h"

namespace {

using NFuzz::Require;

constexpr std::string_view kBomUtf16Le = "\xFF\xFE";
constexpr std::string_view kBomUtf8 = "\xEF\xBB\xBF";
constexpr std::u16string_view kProbeKey = u"HKEY_LOCAL_MACHINE\\Fuzz\\Probe";

bool IsUtf16File(std::string_view content) { return content.substr(0, 2) == kBomUtf16Le; }

void CheckDecoding(std::string_view content) {
    const std::u16string text = NOs::DecodeRegFile(content);
    if (IsUtf16File(content)) {
        Require(text.size() == (content.size() - kBomUtf16Le.size()) / 2,
                "UTF-16 files decode unit by unit");
        return;
    }
    const std::string_view body =
        content.substr(0, 3) == kBomUtf8 ? content.substr(kBomUtf8.size()) : content;
    Require(NFuzz::IsValidUtf16(text), "UTF-8 files decode to valid text");
    if (NFuzz::IsValidUtf8(body)) {
        Require(text == NUtf::ToUtf16(body), "valid UTF-8 decodes like our converter");
    } else {
        Require(text.find(u'\uFFFD') != std::u16string::npos,
                "invalid UTF-8 leaves a replacement character");
    }
}

// The text between quotes in a .reg file, \ and " escaped.
std::u16string Quoted(std::u16string_view text) {
    std::u16string quoted = u"\"";
    for (const char16_t unit : text) {
        if (unit == u'\\' || unit == u'"') {
            quoted += u'\\';
        }
        quoted += unit;
    }
    return quoted + u"\"";
}

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// hex(type): with the bytes in lines of eight, continued by '\'.
std::u16string ByteList(uint32_t type, std::string_view bytes) {
    char number[16];
    std::snprintf(number, sizeof(number), "hex(%x):", type);
    std::u16string list = Ascii(number);
    for (size_t index = 0; index < bytes.size(); ++index) {
        std::snprintf(number, sizeof(number), "%02x", static_cast<unsigned char>(bytes[index]));
        list += Ascii(number);
        if (index + 1 < bytes.size()) {
            list += index % 8 == 7 ? u",\\\r\n  " : u",";
        }
    }
    return list;
}

std::vector<uint8_t> TextData(std::u16string_view text) {
    std::vector<uint8_t> data;
    for (const char16_t unit : text) {
        data.push_back(static_cast<uint8_t>(unit & 0xFF));
        data.push_back(static_cast<uint8_t>(unit >> 8));
    }
    data.insert(data.end(), 2, 0);
    return data;
}

// The probe key, after an empty line that ends any byte list left open.
std::u16string ProbeEntries(std::u16string_view text, uint32_t type) {
    return u"\r\n\r\n[" + std::u16string(kProbeKey) + u"]\r\n\"Text\"=" + Quoted(text) +
           u"\r\n@=dword:0000002A\r\n\"Bytes\"=" + ByteList(type, NUtf::ToUtf8(text)) + u"\r\n";
}

std::string Encode(std::u16string_view text, bool utf16) {
    if (!utf16) {
        return NUtf::ToUtf8(text);
    }
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

void RequireValue(const NOs::NRegKey& key, std::u16string_view name, uint32_t type,
                  const std::vector<uint8_t>& data, const char* what) {
    const NOs::NRegValue* value = key.FindValue(name);
    Require(value != nullptr && value->type == type && value->data == data, what);
}

void CheckProbe(std::string_view content, std::u16string_view text, uint32_t type) {
    const bool utf16 = IsUtf16File(content);
    // An odd last byte of UTF-16 is dropped; the probe must not be shifted.
    const std::string_view whole =
        utf16 && content.size() % 2 == 1 ? content.substr(0, content.size() - 1) : content;
    NOs::NRegTree alone;
    const NOs::NRegFileReport report = NOs::ApplyRegFile(whole, alone);
    NOs::NRegTree tree;
    const std::string file = std::string(whole) + Encode(ProbeEntries(text, type), utf16);
    const NOs::NRegFileReport probed = NOs::ApplyRegFile(file, tree);
    Require(probed.isRegFile == report.isRegFile, "entries after the content change no header");

    const NOs::NRegKey* key = tree.FindKey(kProbeKey);
    if (!report.isRegFile) {
        Require(key == nullptr, "a file without a header adds nothing");
        return;
    }
    Require(key != nullptr, "a key after any content is read");
    Require(tree.FindKey(u"hkey_local_machine\\FUZZ") != nullptr, "a key's parents exist");
    RequireValue(*key, u"TEXT", NOs::kRegSz, TextData(text), "a quoted text reads back");
    RequireValue(*key, u"", NOs::kRegDword, {0x2A, 0, 0, 0}, "a dword reads back");
    const std::string bytes = NUtf::ToUtf8(text);
    RequireValue(*key, u"bytes", type, std::vector<uint8_t>(bytes.begin(), bytes.end()),
                 "a byte list reads back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    NFuzzInput input(data, size);
    std::u16string text = NUtf::ToUtf16(input.TakeLine());
    std::replace(text.begin(), text.end(), u'\r', u' ');  // a value is one line
    const uint32_t type = text.empty() ? 0 : text.front();
    const std::string_view content = input.TakeRest();
    CheckDecoding(content);
    CheckProbe(content, text, type);
    return 0;
}
