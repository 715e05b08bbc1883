#pragma once
// Texts in the form the data slots hold them: UTF-16LE code units and one
// terminating zero unit, as the agent writes its record.

#include <string>
#include <string_view>

#include "text/utf16le_bytes.h"
#include "text/utf_codec.h"

inline std::string SlotBytesOf(std::u16string_view text) {
    std::string bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes + std::string(2, '\0');
}

inline std::string SlotBytesOf(const std::string& utf8) { return SlotBytesOf(NUtf::ToUtf16(utf8)); }

// The UTF-8 text of slot bytes, without the terminating zero unit.
inline std::string TextOfSlotBytes(const std::string& bytes) {
    std::u16string text = NOs::DecodeUtf16Le(bytes);
    if (!text.empty() && text.back() == u'\0') {
        text.pop_back();
    }
    return NUtf::ToUtf8(text);
}
