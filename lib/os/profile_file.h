#pragma once
// Profile (.ini) files, read as GetPrivateProfileIntA and
// GetPrivateProfileStringA read them.
//
// Text rules:
// - a file that starts with a UTF-16 byte order mark (either byte order) is
//   UTF-16 and read as UTF-8; a UTF-8 byte order mark at the start is skipped;
// - lines end at '\n' or '\r'; white space (space, tab, '\v', '\f', Ctrl-Z)
//   around lines, section names, keys and values is trimmed, and each of them
//   then ends at its first NUL byte;
// - "[name]" starts a section; the name ends at the last ']' of the line;
// - "key=value" splits at the first '='; a line without '=' is a key without
//   a value, which reads as missing; a line starting with ';' is no comment
//   but a key like any other (nobody asks for it);
// - lines before the first section form a section without a name, so ""
//   finds them and never a later "[]";
// - section and key names compare without regard to ASCII letter case (only
//   ASCII, as on Wine); only the first section of a name is searched, and in
//   it the first key;
// - a value enclosed in a matching pair of '"' or '\'' loses the pair.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace NOs {

class NProfileFile {
public:
    // Reads the file once. A missing or unreadable file, or anything that is
    // not a regular file (a folder, for one), reads as an empty profile.
    explicit NProfileFile(const std::string& path);

    // The value of key in section, without its quotes; nothing when missing.
    std::optional<std::string> FindValue(std::string_view section, std::string_view key) const;

    // GetPrivateProfileIntA: defaultValue when the key is missing or its value
    // is empty; otherwise the value's first 29 UTF-16 code units read like
    // Windows reads them: leading white space, one '+' or '-', a "0x", "0o" or
    // "0b" prefix for base 16, 8 or 2, then digits up to the first other
    // character, wrapping modulo 2^32. "12abc" gives 12, "abc" gives 0, "-1"
    // gives -1.
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;

    // The text GetPrivateProfileStringA would return with an unlimited buffer:
    // the value, or, when the key is missing, defaultValue without its
    // trailing spaces and then without a matching pair of quotes.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const;

    // GetPrivateProfileStringA: that text, cut to capacity - 1 bytes (never
    // inside a UTF-8 sequence) and terminated. Returns the bytes copied
    // without the terminator; with capacity 0 nothing is written.
    uint32_t GetString(std::string_view section, std::string_view key, const char* defaultValue,
                       char* buffer, uint32_t capacity) const;

private:
    struct NKey {
        std::string name;
        std::optional<std::string> value;  // none for a line without '='
    };
    struct NSection {
        std::string name;
        std::vector<NKey> keys;
    };

    void Parse(std::string_view text);
    const NSection* FindSection(std::string_view name) const;

    std::vector<NSection> m_vecSections;
};

}  // namespace NOs
