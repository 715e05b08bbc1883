// The code-page conversions of text_convert.h, made by Windows: the ANSI
// code page is the system's own there.
#include "base/text_convert.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>

namespace {

// Both calls measure first, then convert into a malloc'ed buffer with room
// for the terminator; MB_ERR_INVALID_CHARS is left out, so that invalid
// input becomes U+FFFD (or the code page's default character).
char* ToMulti(const char16_t* text, UINT codePage) {
    const int bytes = ::WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return nullptr;
    }
    auto* result = static_cast<char*>(std::malloc(static_cast<size_t>(bytes)));
    if (result != nullptr &&
        ::WideCharToMultiByte(codePage, 0, text, -1, result, bytes, nullptr, nullptr) != bytes) {
        std::free(result);
        return nullptr;
    }
    return result;
}

char16_t* ToWide(const char* text, UINT codePage) {
    const int units = ::MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (units <= 0) {
        return nullptr;
    }
    auto* result =
        static_cast<char16_t*>(std::malloc(static_cast<size_t>(units) * sizeof(char16_t)));
    if (result != nullptr && ::MultiByteToWideChar(codePage, 0, text, -1, result, units) != units) {
        std::free(result);
        return nullptr;
    }
    return result;
}

}  // namespace

char* WideToMulti(const char16_t* text, uint32_t codePage) {
    return text == nullptr ? nullptr : ToMulti(text, codePage);
}

char16_t* MultiToWide(const char* text, uint32_t codePage) {
    return text == nullptr ? nullptr : ToWide(text, codePage);
}
