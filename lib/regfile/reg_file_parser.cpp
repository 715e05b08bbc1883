#include "regfile/reg_file_parser.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "regfile/reg_file_text.h"

namespace NOs {
namespace {

constexpr std::u16string_view kHeaderVersion5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeaderVersion4 = u"REGEDIT4";

// ---- Lines ----

bool IsBlank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Lines end with CR LF, LF or CR.
std::vector<std::u16string_view> SplitLines(std::u16string_view text) {
    std::vector<std::u16string_view> lines;
    size_t start = 0;
    for (size_t pos = 0; pos < text.size(); ++pos) {
        if (text[pos] != u'\r' && text[pos] != u'\n') {
            continue;
        }
        lines.push_back(text.substr(start, pos - start));
        if (text[pos] == u'\r' && pos + 1 < text.size() && text[pos + 1] == u'\n') {
            ++pos;
        }
        start = pos + 1;
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

// ---- Data forms ----

char16_t FoldAscii(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 0x20) : unit;
}

// Consumes prefix from text when text begins with it, letter case ignored.
bool ConsumePrefix(std::u16string_view& text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t pos = 0; pos < prefix.size(); ++pos) {
        if (FoldAscii(text[pos]) != prefix[pos]) {
            return false;
        }
    }
    text.remove_prefix(prefix.size());
    return true;
}

int HexDigit(char16_t unit) {
    if (unit >= u'0' && unit <= u'9') {
        return unit - u'0';
    }
    if (unit >= u'a' && unit <= u'f') {
        return unit - u'a' + 10;
    }
    if (unit >= u'A' && unit <= u'F') {
        return unit - u'A' + 10;
    }
    return -1;
}

// A hex number of 1 to maxDigits digits and nothing else.
std::optional<uint32_t> ParseHexNumber(std::u16string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    uint32_t number = 0;
    for (const char16_t unit : text) {
        const int digit = HexDigit(unit);
        if (digit < 0) {
            return std::nullopt;
        }
        number = (number << 4) | static_cast<uint32_t>(digit);
    }
    return number;
}

// A quoted text at the start of line ("..." with \\ and \" escapes); line is
// left after the closing quote.
std::optional<std::u16string> ParseQuoted(std::u16string_view& line) {
    if (line.empty() || line.front() != u'"') {
        return std::nullopt;
    }
    std::u16string text;
    for (size_t pos = 1; pos < line.size(); ++pos) {
        char16_t unit = line[pos];
        if (unit == u'"') {
            line.remove_prefix(pos + 1);
            return text;
        }
        if (unit == u'\\') {
            if (++pos == line.size()) {
                break;
            }
            unit = line[pos];
            if (unit != u'\\' && unit != u'"') {
                return std::nullopt;
            }
        }
        text += unit;
    }
    return std::nullopt;  // no closing quote
}

// Comma-separated bytes of one or two hex digits; empty text, no bytes.
std::optional<std::vector<uint8_t>> ParseByteList(std::u16string_view text) {
    std::vector<uint8_t> bytes;
    text = Trim(text);
    while (!text.empty()) {
        const size_t comma = text.find(u',');
        const std::optional<uint32_t> byte = ParseHexNumber(Trim(text.substr(0, comma)), 2);
        if (!byte) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<uint8_t>(*byte));
        if (comma == std::u16string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
        if (Trim(text).empty()) {
            return std::nullopt;  // a trailing comma
        }
    }
    return bytes;
}

std::vector<uint8_t> LittleEndianBytes(uint64_t number, size_t count) {
    std::vector<uint8_t> bytes(count);
    for (size_t index = 0; index < count; ++index) {
        bytes[index] = static_cast<uint8_t>(number >> (8 * index));
    }
    return bytes;
}

std::vector<uint8_t> TextValueBytes(std::u16string_view text) {
    std::vector<uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (const char16_t unit : text) {
        const std::vector<uint8_t> pair = LittleEndianBytes(unit, 2);
        bytes.insert(bytes.end(), pair.begin(), pair.end());
    }
    bytes.insert(bytes.end(), 2, 0);  // the terminating zero
    return bytes;
}

// ---- The file ----

class NRegFileReader {
public:
    NRegFileReader(std::vector<std::u16string_view> lines, NRegTree& tree)
        : m_vecLines(std::move(lines)), m_tree(tree) {}

    NRegFileReport Read() {
        NRegFileReport report;
        if (!SkipHeader()) {
            return report;
        }
        report.isRegFile = true;
        while (m_nNext < m_vecLines.size()) {
            const std::u16string_view line = Trim(m_vecLines[m_nNext++]);
            if (line.empty() || line.front() == u';') {
                continue;
            }
            const bool applied = line.front() == u'[' ? ApplyKeyLine(line) : ApplyValueLine(line);
            if (!applied) {
                ++report.skippedLines;
            }
        }
        return report;
    }

private:
    bool SkipHeader() {
        while (m_nNext < m_vecLines.size() && Trim(m_vecLines[m_nNext]).empty()) {
            ++m_nNext;
        }
        if (m_nNext == m_vecLines.size()) {
            return false;
        }
        const std::u16string_view header = Trim(m_vecLines[m_nNext++]);
        return header == kHeaderVersion5 || header == kHeaderVersion4;
    }

    bool ApplyKeyLine(std::u16string_view line) {
        m_pKey = nullptr;
        if (line.size() < 2 || line.back() != u']') {
            return false;
        }
        std::u16string_view path = line.substr(1, line.size() - 2);
        if (!path.empty() && path.front() == u'-') {
            path.remove_prefix(1);
            return m_tree.DeleteKey(path);
        }
        m_pKey = m_tree.AddKey(path);
        return m_pKey != nullptr;
    }

    bool ApplyValueLine(std::u16string_view line) {
        std::optional<std::u16string> name = ReadValueName(line);
        line = Trim(line);
        if (!name || line.empty() || line.front() != u'=') {
            return false;
        }
        line = Trim(line.substr(1));
        if (line == u"-") {
            if (m_pKey != nullptr) {
                m_pKey->DeleteValue(*name);
            }
            return m_pKey != nullptr;
        }
        // Read to the end of the entry first, so that continuation lines of a
        // value outside any key are not taken for entries of their own.
        std::optional<NRegValue> value = ReadValueData(line);
        if (!value || m_pKey == nullptr) {
            return false;
        }
        m_pKey->SetValue(*name, std::move(*value));
        return true;
    }

    static std::optional<std::u16string> ReadValueName(std::u16string_view& line) {
        if (!line.empty() && line.front() == u'@') {
            line.remove_prefix(1);
            return std::u16string();
        }
        return ParseQuoted(line);
    }

    std::optional<NRegValue> ReadValueData(std::u16string_view data) {
        if (!data.empty() && data.front() == u'"') {
            const std::optional<std::u16string> text = ParseQuoted(data);
            if (!text || !Trim(data).empty()) {
                return std::nullopt;
            }
            return NRegValue{kRegSz, TextValueBytes(*text)};
        }
        if (ConsumePrefix(data, u"dword:")) {
            const std::optional<uint32_t> number = ParseHexNumber(data, 8);
            if (!number) {
                return std::nullopt;
            }
            return NRegValue{kRegDword, LittleEndianBytes(*number, 4)};
        }
        const std::optional<uint32_t> type = ReadHexType(data);
        if (!type) {
            return std::nullopt;
        }
        std::optional<std::vector<uint8_t>> bytes = ParseByteList(JoinContinuation(data));
        if (!bytes) {
            return std::nullopt;
        }
        return NRegValue{*type, std::move(*bytes)};
    }

    // "hex:" is binary data; "hex(N):" data of type N.
    static std::optional<uint32_t> ReadHexType(std::u16string_view& data) {
        if (ConsumePrefix(data, u"hex:")) {
            return kRegBinary;
        }
        if (!ConsumePrefix(data, u"hex(")) {
            return std::nullopt;
        }
        const size_t close = data.find(u"):");
        if (close == std::u16string_view::npos) {
            return std::nullopt;
        }
        const std::optional<uint32_t> type = ParseHexNumber(data.substr(0, close), 8);
        data.remove_prefix(close + 2);
        return type;
    }

    // A byte list whose line ends with '\' goes on in the next line.
    std::u16string JoinContinuation(std::u16string_view data) {
        std::u16string joined;
        data = Trim(data);
        while (!data.empty() && data.back() == u'\\' && m_nNext < m_vecLines.size()) {
            joined += data.substr(0, data.size() - 1);
            data = Trim(m_vecLines[m_nNext++]);
        }
        joined += data;
        return joined;
    }

    std::vector<std::u16string_view> m_vecLines;
    size_t m_nNext = 0;
    NRegTree& m_tree;
    NRegKey* m_pKey = nullptr;  // the key of the last valid key line
};

}  // namespace

NRegFileReport ApplyRegFile(std::string_view bytes, NRegTree& tree) {
    const std::u16string text = DecodeRegFile(bytes);
    return NRegFileReader(SplitLines(text), tree).Read();
}

}  // namespace NOs
