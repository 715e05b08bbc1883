#pragma once
// Conversion between UTF-16 and the multibyte code pages. On Linux both code
// pages are UTF-8. Invalid input becomes U+FFFD; nothing is dropped silently.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr uint32_t CP_ACP = 0;
constexpr uint32_t CP_UTF8 = 65001;

// Newly malloc'ed, zero-terminated results that the caller frees; null for a
// null text, an unknown code page or exhausted memory.
char* WideToMulti(const char16_t* text, uint32_t codePage);
char16_t* MultiToWide(const char* text, uint32_t codePage);

namespace NUtf {

// Text: what is malformed becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string ToUtf16(std::string_view text);

// File-system paths round-trip exactly: each byte of a path that is not
// UTF-8 stands as one of the lone surrogates U+DC80..U+DCFF, and turns back
// into that byte. A path that holds any other lone surrogate names no file:
// nothing. Text meant for people, such as the log, goes through ToUtf8 and
// shows U+FFFD.
std::u16string PathToUtf16(std::string_view path);
std::optional<std::string> Utf16ToPath(std::u16string_view path);

}  // namespace NUtf
