#include "base/registry.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "base/registry_keys.h"
#include "text/utf16le_bytes.h"

namespace {

std::u16string_view OrEmpty(const char16_t* text) {
    return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

// Value data read as UTF-16LE up to its first zero unit; an odd last byte is
// the low half of a unit.
std::u16string DataAsText(const std::vector<uint8_t>& data) {
    std::string bytes(data.begin(), data.end());
    if (bytes.size() % 2 != 0) {
        bytes += '\0';
    }
    std::u16string text = NOs::DecodeUtf16Le(bytes);
    return text.substr(0, text.find(u'\0'));
}

}  // namespace

NRegistry::~NRegistry() = default;

bool NRegistry::Open(NWin::HKEY root, const char16_t* subKey, bool openOnly, bool readOnly) {
    if (!openOnly) {
        return Create(root, subKey, readOnly ? NWin::KEY_READ : NWin::KEY_ALL_ACCESS);
    }
    m_hKey = NOs::OpenRegistryKey(root, OrEmpty(subKey));
    return m_hKey != nullptr;
}

bool NRegistry::Create(NWin::HKEY root, const char16_t* subKey, uint32_t /*access*/) {
    m_hKey = NOs::CreateRegistryKey(root, OrEmpty(subKey));
    return m_hKey != nullptr;
}

bool NRegistry::Close() {
    const bool wasOpen = IsOpen();
    m_hKey.reset();
    return wasOpen;
}

bool NRegistry::IsOpen() const { return m_hKey != nullptr; }

const NOs::NRegValue* NRegistry::FindValue(const char16_t* name) const {
    return m_hKey ? m_hKey->FindValue(OrEmpty(name)) : nullptr;
}

bool NRegistry::GetString(const char16_t* name, char16_t* text, uint32_t capacity) const {
    const NOs::NRegValue* value = FindValue(name);
    if (value == nullptr || text == nullptr || capacity == 0) {
        return false;
    }
    const std::u16string data = DataAsText(value->data);
    const size_t length = std::min<size_t>(data.size(), capacity - 1);
    std::copy_n(data.begin(), length, text);
    text[length] = u'\0';
    return true;
}

bool NRegistry::GetBytes(const char16_t* name, uint8_t* data, uint32_t& length) const {
    const NOs::NRegValue* value = FindValue(name);
    if (value == nullptr || data == nullptr) {
        return false;
    }
    length = static_cast<uint32_t>(std::min<size_t>(length, value->data.size()));
    std::copy_n(value->data.begin(), length, data);
    return true;
}
