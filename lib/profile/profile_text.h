#pragma once
// The text of a profile (.ini) file, read as GetPrivateProfileIntA and
// GetPrivateProfileStringA read the file.
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

class NProfileText {
public:
    // The profile in the file's bytes, byte order mark and all.
    explicit NProfileText(std::string_view bytes);

    // The value of key in section, without its quotes; nothing when missing.
    std::optional<std::string> FindValue(std::string_view section, std::string_view key) const;

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

// The steps of GetPrivateProfileIntA and GetPrivateProfileStringA after the
// lookup, as profile_file.h describes them: the integer of a value found (or
// defaultValue), the text of a value found (or of defaultValue), and that
// text cut into a buffer.
int ReadProfileInt(const std::optional<std::string>& value, int defaultValue);
std::string ReadProfileString(std::optional<std::string> value, std::string_view defaultValue);
uint32_t CopyProfileString(std::string_view text, char* buffer, uint32_t capacity);

}  // namespace NOs
