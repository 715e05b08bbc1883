#include "text/utf_codec.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;
// What the decoders return for a malformed sequence.
constexpr char32_t kInvalid = 0xFFFFFFFF;
// Bytes that are not UTF-8 stand in a path as U+DC80..U+DCFF.
constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kFirstEscape = 0xDC80;
constexpr char16_t kLastEscape = 0xDCFF;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t code) {
    if (code < 0x10000) {
        out += static_cast<char16_t>(code);
    } else {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code >> 10));
        out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    }
}

// Shape of a UTF-8 sequence by its lead byte: its length, and the range that
// its second byte must fall into (which rules out overlong forms, surrogates
// and code points above U+10FFFF). Length 0 marks a byte that cannot lead.
struct NLeadByte {
    int nLength;
    unsigned char bSecondMin;
    unsigned char bSecondMax;
};

NLeadByte ClassifyLead(unsigned char lead) {
    if (lead < 0x80) {
        return {1, 0, 0};
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return {2, 0x80, 0xBF};
    }
    if (lead == 0xE0) {
        return {3, 0xA0, 0xBF};
    }
    if (lead == 0xED) {
        return {3, 0x80, 0x9F};
    }
    if (lead >= 0xE1 && lead <= 0xEF) {
        return {3, 0x80, 0xBF};
    }
    if (lead == 0xF0) {
        return {4, 0x90, 0xBF};
    }
    if (lead >= 0xF1 && lead <= 0xF3) {
        return {4, 0x80, 0xBF};
    }
    if (lead == 0xF4) {
        return {4, 0x80, 0x8F};
    }
    return {0, 0, 0};
}

// Decodes one code point at text[pos]. A malformed sequence yields kInvalid
// and consumes what Windows (MultiByteToWideChar, CP_UTF8) takes as one: the
// lead byte and the continuation bytes up to the first byte that breaks the
// sequence, where a second byte out of the lead's range (an overlong form,
// a surrogate, above U+10FFFF) still counts as taken. Unlike Wine, a sequence
// cut off by the end of the text takes no byte that cannot continue it.
char32_t DecodeUtf8(std::string_view text, size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    const NLeadByte shape = ClassifyLead(lead);
    ++pos;
    if (shape.nLength == 1) {
        return lead;
    }
    if (shape.nLength == 0) {
        return kInvalid;
    }

    char32_t code = lead & (0xFF >> (shape.nLength + 1));
    for (int index = 1; index < shape.nLength; ++index) {
        if (pos >= text.size()) {
            return kInvalid;
        }
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (!IsContinuation(byte)) {
            return kInvalid;
        }
        ++pos;
        if (index == 1 && (byte < shape.bSecondMin || byte > shape.bSecondMax)) {
            return kInvalid;
        }
        code = (code << 6) | (byte & 0x3F);
    }
    return code;
}

// Decodes one code point at text[pos]; an unpaired surrogate yields kInvalid
// and consumes just itself.
char32_t DecodeUtf16(std::u16string_view text, size_t& pos) {
    const char32_t unit = text[pos++];
    if (IsLowSurrogate(unit)) {
        return kInvalid;
    }
    if (!IsHighSurrogate(unit)) {
        return unit;
    }
    if (pos >= text.size() || !IsLowSurrogate(text[pos])) {
        return kInvalid;
    }
    const char32_t low = text[pos++];
    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
}

// Decodes every code point of text and appends it in the other encoding;
// onInvalid(out, malformed input) decides what a malformed sequence becomes,
// false giving up.
template <class Out, class In, class OnInvalid>
std::optional<Out> Transcode(In text, char32_t (*decode)(In, size_t&),
                             void (*append)(Out&, char32_t), OnInvalid onInvalid) {
    Out out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const size_t start = pos;
        const char32_t code = decode(text, pos);
        if (code != kInvalid) {
            append(out, code);
        } else if (!onInvalid(out, text.substr(start, pos - start))) {
            return std::nullopt;
        }
    }
    return out;
}

// Text for people: what is malformed shows as U+FFFD.
template <class Out, class In>
std::optional<Out> TranscodeText(In text, char32_t (*decode)(In, size_t&),
                                 void (*append)(Out&, char32_t)) {
    return Transcode<Out>(text, decode, append, [append](Out& out, In /*malformed*/) {
        append(out, kReplacement);
        return true;
    });
}

}  // namespace

namespace NUtf {

std::string ToUtf8(std::u16string_view text) {
    return *TranscodeText<std::string>(text, &DecodeUtf16, &AppendUtf8);
}

std::u16string ToUtf16(std::string_view text) {
    return *TranscodeText<std::u16string>(text, &DecodeUtf8, &AppendUtf16);
}

std::u16string PathToUtf16(std::string_view path) {
    const auto escape = [](std::u16string& out, std::string_view bytes) {
        for (const char byte : bytes) {
            out.push_back(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(byte)));
        }
        return true;
    };
    return *Transcode<std::u16string>(path, &DecodeUtf8, &AppendUtf16, escape);
}

std::optional<std::string> Utf16ToPath(std::u16string_view path) {
    // A lone surrogate is one unit; only an escaped byte stands for a byte.
    const auto unescape = [](std::string& out, std::u16string_view units) {
        const char16_t unit = units.front();
        if (unit < kFirstEscape || unit > kLastEscape) {
            return false;
        }
        out.push_back(static_cast<char>(unit - kEscapeBase));
        return true;
    };
    return Transcode<std::string>(path, &DecodeUtf16, &AppendUtf8, unescape);
}

}  // namespace NUtf
