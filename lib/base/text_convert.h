#pragma once
// Conversion between UTF-16 and the multibyte code pages. On Linux both code
// pages are UTF-8. Invalid input becomes U+FFFD; nothing is dropped silently.

#include <cstdint>

#include "text/utf_codec.h"  // NUtf, the codec under these conversions

// codePage is NWin::CP_ACP or NWin::CP_UTF8 (base/code_page.h). Newly
// malloc'ed, zero-terminated results that the caller frees; null for a null
// text, an unknown code page or exhausted memory.
char* WideToMulti(const char16_t* text, uint32_t codePage);
char16_t* MultiToWide(const char* text, uint32_t codePage);
