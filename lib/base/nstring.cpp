#include "base/nstring.h"

#include <algorithm>
#include <functional>

namespace {

bool PointsInto(const std::u16string& owner, const char16_t* text) {
    const char16_t* first = owner.data();
    return std::less_equal<const char16_t*>()(first, text) &&
           std::less_equal<const char16_t*>()(text, first + owner.size());
}

}  // namespace

NString::NString(const char16_t* text) {
    if (text != nullptr) {
        m_strText.assign(text);
    }
}

NString::NString(const NString& other) : m_strText(other.GetText()) {}

NString& NString::operator=(const NString& other) { return Assign(other.GetText()); }

NString::~NString() { m_strText.clear(); }

NString& NString::Assign(const char16_t* text) {
    // Copy first: text may be this string's own text or a tail of it.
    std::u16string copy(text);
    m_strText.swap(copy);
    return *this;
}

NString& NString::Append(const char16_t* text) {
    if (PointsInto(m_strText, text)) {
        const std::u16string copy(text);
        m_strText.append(copy);
    } else {
        m_strText.append(text);
    }
    return *this;
}

uint32_t NString::GetLength() const { return static_cast<uint32_t>(m_strText.size()); }

uint32_t NString::Find(const char16_t* needle) const {
    const size_t position = m_strText.find(needle);
    return position == std::u16string::npos ? kNotFound : static_cast<uint32_t>(position);
}

void NString::MakeLower() {
    std::transform(m_strText.begin(), m_strText.end(), m_strText.begin(), [](char16_t unit) {
        return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
    });
}

const char16_t* NString::GetText() const { return m_strText.c_str(); }
