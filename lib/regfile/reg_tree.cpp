#include "regfile/reg_tree.h"

#include <algorithm>
#include <array>
#include <utility>

namespace NOs {
namespace {

constexpr char16_t kSeparator = u'\\';

constexpr std::array<std::u16string_view, 5> kRootNames = {
    u"HKEY_CLASSES_ROOT", u"HKEY_CURRENT_USER", u"HKEY_LOCAL_MACHINE", u"HKEY_USERS",
    u"HKEY_CURRENT_CONFIG"};

// A block of lower-case letters and the distance to their upper-case forms.
struct NCaseRange {
    char16_t first;
    char16_t last;
    char16_t except;  // a letter inside the block without an upper-case form here
    char16_t shift;
};

constexpr std::array<NCaseRange, 5> kCaseRanges = {{
    {u'a', u'z', 0, 0x20},
    {0x00E0, 0x00FE, 0x00F7, 0x20},  // Latin-1, without the division sign
    {0x03B1, 0x03C9, 0x03C2, 0x20},  // Greek, without the final sigma
    {0x0430, 0x044F, 0, 0x20},       // Cyrillic
    {0x0450, 0x045F, 0, 0x50},       // Cyrillic with diacritics
}};

char16_t FoldUnit(char16_t unit) {
    for (const NCaseRange& range : kCaseRanges) {
        if (unit >= range.first && unit <= range.last && unit != range.except) {
            return static_cast<char16_t>(unit - range.shift);
        }
    }
    return unit;
}

bool IsRootName(std::u16string_view folded) {
    return std::find(kRootNames.begin(), kRootNames.end(), folded) != kRootNames.end();
}

bool IsValidKeyName(std::u16string_view name) {
    return !name.empty() && name.size() <= kMaxRegKeyNameLength;
}

bool HasPrefix(std::u16string_view text, std::u16string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::u16string FoldRegName(std::u16string_view name) {
    std::u16string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldUnit);
    return folded;
}

std::optional<std::u16string> NormalizeRegPath(std::u16string_view path) {
    if (!path.empty() && path.back() == kSeparator) {
        path.remove_suffix(1);
    }
    std::u16string folded = FoldRegName(path);
    const std::u16string_view view(folded);
    const size_t rootEnd = std::min(view.find(kSeparator), view.size());
    if (!IsRootName(view.substr(0, rootEnd))) {
        return std::nullopt;
    }
    for (size_t start = rootEnd; start < view.size();) {
        const size_t nameStart = start + 1;
        const size_t nameEnd = std::min(view.find(kSeparator, nameStart), view.size());
        if (!IsValidKeyName(view.substr(nameStart, nameEnd - nameStart))) {
            return std::nullopt;
        }
        start = nameEnd;
    }
    return folded;
}

void NRegKey::SetValue(std::u16string_view name, NRegValue value) {
    m_mapValues[FoldRegName(name)] = std::move(value);
}

void NRegKey::DeleteValue(std::u16string_view name) { m_mapValues.erase(FoldRegName(name)); }

const NRegValue* NRegKey::FindValue(std::u16string_view name) const {
    const auto found = m_mapValues.find(FoldRegName(name));
    return found == m_mapValues.end() ? nullptr : &found->second;
}

NRegKey* NRegTree::AddKey(std::u16string_view path) {
    const std::optional<std::u16string> normalized = NormalizeRegPath(path);
    if (!normalized) {
        return nullptr;
    }
    for (size_t end = normalized->find(kSeparator); end != std::u16string::npos;
         end = normalized->find(kSeparator, end + 1)) {
        m_mapKeys.try_emplace(normalized->substr(0, end));
    }
    return &m_mapKeys[*normalized];
}

bool NRegTree::DeleteKey(std::u16string_view path) {
    const std::optional<std::u16string> normalized = NormalizeRegPath(path);
    if (!normalized || normalized->find(kSeparator) == std::u16string::npos) {
        return false;  // invalid, or a root key, which always stays
    }
    m_mapKeys.erase(*normalized);
    const std::u16string below = *normalized + kSeparator;
    auto entry = m_mapKeys.lower_bound(below);
    while (entry != m_mapKeys.end() && HasPrefix(entry->first, below)) {
        entry = m_mapKeys.erase(entry);
    }
    return true;
}

const NRegKey* NRegTree::FindKey(std::u16string_view path) const {
    const std::optional<std::u16string> normalized = NormalizeRegPath(path);
    if (!normalized) {
        return nullptr;
    }
    const auto found = m_mapKeys.find(*normalized);
    return found == m_mapKeys.end() ? nullptr : &found->second;
}

}  // namespace NOs
