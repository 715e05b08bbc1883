#pragma once
// NString: the system's text type, one growable UTF-16 string.

#include <cstdint>
#include <string>

class NString {
public:
    // Result of Find when the needle is absent.
    static constexpr uint32_t kNotFound = 0xFFFFFFFFu;

    NString() = default;
    NString(const char16_t* text);  // NOLINT: implicit on purpose, texts pass as NString
    NString(const NString& other);
    NString& operator=(const NString& other);
    NString(NString&& other) noexcept = default;
    NString& operator=(NString&& other) noexcept = default;
    virtual ~NString();

    // Both take a zero-terminated text, which may point into this string.
    NString& Assign(const char16_t* text);
    NString& Append(const char16_t* text);

    uint32_t GetLength() const;
    uint32_t Find(const char16_t* needle) const;
    void MakeLower();
    const char16_t* GetText() const;

private:
    std::u16string m_strText;
};
