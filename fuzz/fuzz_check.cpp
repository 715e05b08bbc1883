#include "fuzz/fuzz_check.h"

#include <cstdint>
#include <cstdio>

namespace NFuzz {
namespace {

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Bytes that follow a lead byte, and the smallest code point a sequence of
// that length may carry; 0 bytes for a byte that cannot lead a sequence.
struct NSequence {
    size_t nFollowing;
    char32_t nSmallest;
};

NSequence SequenceOf(unsigned char lead) {
    if (lead < 0x80) {
        return {0, 0};
    }
    if ((lead & 0xE0) == 0xC0) {
        return {1, 0x80};
    }
    if ((lead & 0xF0) == 0xE0) {
        return {2, 0x800};
    }
    if ((lead & 0xF8) == 0xF0) {
        return {3, 0x10000};
    }
    return {0, 0x110000};  // a continuation byte or 0xF8-0xFF: never valid
}

}  // namespace

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz property broken: %s\n", what);
        std::abort();
    }
}

bool IsValidUtf8(std::string_view text) {
    for (size_t pos = 0; pos < text.size();) {
        const auto lead = static_cast<unsigned char>(text[pos++]);
        const NSequence sequence = SequenceOf(lead);
        if (sequence.nSmallest == 0x110000 || pos + sequence.nFollowing > text.size()) {
            return false;
        }
        char32_t code = lead & (0x7F >> sequence.nFollowing);
        for (size_t index = 0; index < sequence.nFollowing; ++index) {
            const auto byte = static_cast<unsigned char>(text[pos++]);
            if ((byte & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (byte & 0x3F);
        }
        const bool inRange = code >= sequence.nSmallest && code <= 0x10FFFF;
        if (!inRange || IsHighSurrogate(code) || IsLowSurrogate(code)) {
            return false;
        }
    }
    return true;
}

bool IsValidUtf16(std::u16string_view text) {
    for (size_t pos = 0; pos < text.size(); ++pos) {
        if (IsLowSurrogate(text[pos])) {
            return false;
        }
        if (IsHighSurrogate(text[pos])) {
            if (pos + 1 >= text.size() || !IsLowSurrogate(text[pos + 1])) {
                return false;
            }
            ++pos;
        }
    }
    return true;
}

}  // namespace NFuzz
