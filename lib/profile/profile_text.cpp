#include "profile/profile_text.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "text/utf16le_bytes.h"
#include "text/utf_codec.h"

namespace NOs {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

// GetPrivateProfileIntA reads the value through a buffer of 30 UTF-16 code
// units, so only its first 29 count.
constexpr size_t kIntegerTextUnits = 29;

// UTF-16 bytes as UTF-8: an unpaired surrogate becomes U+FFFD, an odd last
// byte is dropped.
std::string Utf16LeToUtf8(std::string_view bytes) { return NUtf::ToUtf8(DecodeUtf16Le(bytes)); }

std::string Utf16BeToUtf8(std::string_view bytes) {
    std::string swapped(bytes.substr(0, bytes.size() & ~size_t{1}));
    for (size_t pos = 0; pos < swapped.size(); pos += 2) {
        std::swap(swapped[pos], swapped[pos + 1]);
    }
    return Utf16LeToUtf8(swapped);
}

// The profile's text as UTF-8, without its byte order mark: Windows reads a
// file that starts with a UTF-16 byte order mark as UTF-16.
std::string ProfileText(std::string_view bytes) {
    if (bytes.substr(0, 2) == kUtf16LeBom) {
        return Utf16LeToUtf8(bytes.substr(2));
    }
    if (bytes.substr(0, 2) == kUtf16BeBom) {
        return Utf16BeToUtf8(bytes.substr(2));
    }
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        bytes.remove_prefix(kUtf8Bom.size());
    }
    return std::string(bytes);
}

bool IsProfileSpace(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n' || c == '\x1a';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsProfileSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsProfileSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A name or value: trimmed, then ended at its first NUL, as Windows keeps
// them as C strings.
std::string Entry(std::string_view text) {
    text = Trim(text);
    return std::string(text.substr(0, text.find('\0')));
}

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view left, std::string_view right) {
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(),
                      [](char l, char r) { return FoldCase(l) == FoldCase(r); });
}

std::string_view StripQuotes(std::string_view value) {
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return quoted ? value.substr(1, value.size() - 2) : value;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return -1;
}

// The integer reading of Windows (RtlCharToInteger with base 0).
int ReadWindowsInteger(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && text[pos] != '\0' && static_cast<unsigned char>(text[pos]) <= ' ') {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    int base = 10;
    const std::string_view prefix = text.substr(pos, 2);
    if (prefix == "0x" || prefix == "0o" || prefix == "0b") {
        base = prefix[1] == 'x' ? 16 : (prefix[1] == 'o' ? 8 : 2);
        pos += 2;
    }
    uint32_t total = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = DigitValue(text[pos]);
        if (digit < 0 || digit >= base) {
            break;
        }
        total = total * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
    }
    return static_cast<int>(negative ? 0u - total : total);
}

// The first units UTF-16 code units of a UTF-8 text (a four-byte sequence
// counts two), never ending inside a sequence.
std::string_view FirstUnits(std::string_view text, size_t units) {
    size_t pos = 0;
    for (size_t counted = 0; pos < text.size(); ++pos) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if ((byte & 0xC0) == 0x80) {
            continue;
        }
        counted += byte >= 0xF0 ? 2 : 1;
        if (counted > units) {
            break;
        }
    }
    return text.substr(0, pos);
}

// Length of text cut to at most limit bytes, not inside a UTF-8 sequence.
size_t CutLength(std::string_view text, size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    size_t length = limit;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    return length;
}

}  // namespace

NProfileText::NProfileText(std::string_view bytes) { Parse(ProfileText(bytes)); }

void NProfileText::Parse(std::string_view text) {
    // Lines before the first section header form a section without a name;
    // being first, it is the one that the name "" finds.
    m_vecSections.push_back({});
    while (!text.empty()) {
        const size_t lineEnd = std::min(text.find_first_of("\r\n"), text.size());
        const std::string_view line = Trim(text.substr(0, lineEnd));
        text.remove_prefix(std::min(lineEnd + 1, text.size()));
        if (line.empty()) {
            continue;
        }
        const size_t close = line.rfind(']');
        if (line.front() == '[' && close != std::string_view::npos) {
            m_vecSections.push_back({Entry(line.substr(1, close - 1)), {}});
            continue;
        }
        // A ';' comment is a key like any other, one that nobody asks for.
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            m_vecSections.back().keys.push_back({Entry(line), std::nullopt});
        } else {
            m_vecSections.back().keys.push_back(
                {Entry(line.substr(0, equals)), Entry(line.substr(equals + 1))});
        }
    }
}

const NProfileText::NSection* NProfileText::FindSection(std::string_view name) const {
    const auto found =
        std::find_if(m_vecSections.begin(), m_vecSections.end(),
                     [name](const NSection& section) { return EqualNoCase(section.name, name); });
    return found == m_vecSections.end() ? nullptr : &*found;
}

std::optional<std::string> NProfileText::FindValue(std::string_view section,
                                                   std::string_view key) const {
    const NSection* found = FindSection(Trim(section));
    if (found == nullptr) {
        return std::nullopt;
    }
    key = Trim(key);
    const auto entry =
        std::find_if(found->keys.begin(), found->keys.end(),
                     [key](const NKey& each) { return EqualNoCase(each.name, key); });
    // The first key of the name answers, even one without a value.
    if (entry == found->keys.end() || !entry->value) {
        return std::nullopt;
    }
    return std::string(StripQuotes(*entry->value));
}

int ReadProfileInt(const std::optional<std::string>& value, int defaultValue) {
    if (!value || value->empty()) {
        return defaultValue;
    }
    return ReadWindowsInteger(FirstUnits(*value, kIntegerTextUnits));
}

std::string ReadProfileString(std::optional<std::string> value, std::string_view defaultValue) {
    if (value) {
        return std::move(*value);
    }
    // Windows documents that all trailing blanks go; Wine keeps the first
    // character of a default made only of blanks.
    while (!defaultValue.empty() && defaultValue.back() == ' ') {
        defaultValue.remove_suffix(1);
    }
    return std::string(StripQuotes(defaultValue));
}

uint32_t CopyProfileString(std::string_view text, char* buffer, uint32_t capacity) {
    if (capacity == 0) {
        return 0;
    }
    // A quoted value that fits exactly is copied whole, as documented; Wine
    // cuts it by one more character.
    const size_t length = CutLength(text, capacity - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<uint32_t>(length);
}

}  // namespace NOs
