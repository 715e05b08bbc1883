#pragma once
// Conversion between UTF-16 and the multibyte code pages. On Linux both code
// pages are UTF-8. Invalid input becomes U+FFFD; nothing is dropped silently.

#include <cstdint>
#include <string>
#include <string_view>

constexpr uint32_t CP_ACP = 0;
constexpr uint32_t CP_UTF8 = 65001;

// Newly malloc'ed, zero-terminated results that the caller frees; null for a
// null text, an unknown code page or exhausted memory.
char* WideToMulti(const char16_t* text, uint32_t codePage);
char16_t* MultiToWide(const char* text, uint32_t codePage);

namespace NUtf {
std::string ToUtf8(std::u16string_view text);
std::u16string ToUtf16(std::string_view text);
}  // namespace NUtf
