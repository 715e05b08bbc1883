#pragma once
// The registry as data: keys by path, each with its typed values. Key paths
// begin with a root name (HKEY_LOCAL_MACHINE, ...) and use '\' between names.
// Key and value names compare without regard to letter case, as on Windows.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace NOs {

// Value types, numbered as on Windows.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;
constexpr uint32_t kRegQword = 11;

// Longest key name between two separators, as on Windows.
constexpr size_t kMaxRegKeyNameLength = 255;

struct NRegValue {
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;  // as Windows stores it: texts are UTF-16LE with their zero
};

// A name in the form used for comparison: letters upper-cased (ASCII, Latin-1,
// Greek and Cyrillic letters; any other character compares exactly).
std::u16string FoldRegName(std::u16string_view name);

// The comparison form of a key path: its root a known root name, no empty
// names, none longer than kMaxRegKeyNameLength. One trailing '\' is ignored.
// Nothing when the path is not a valid key path.
std::optional<std::u16string> NormalizeRegPath(std::u16string_view path);

// The values of one key; "" names the default value.
class NRegKey {
public:
    void SetValue(std::u16string_view name, NRegValue value);
    void DeleteValue(std::u16string_view name);
    const NRegValue* FindValue(std::u16string_view name) const;

private:
    std::map<std::u16string, NRegValue> m_mapValues;  // by folded name
};

// Keys by path. Every key's parent keys exist as well.
class NRegTree {
public:
    // The key at path, added with any missing parents; null for an invalid path.
    NRegKey* AddKey(std::u16string_view path);

    // Removes the key and every key below it; false for an invalid path.
    bool DeleteKey(std::u16string_view path);

    // Null when the path is invalid or names no key.
    const NRegKey* FindKey(std::u16string_view path) const;

private:
    std::map<std::u16string, NRegKey> m_mapKeys;  // by normalized path
};

}  // namespace NOs
