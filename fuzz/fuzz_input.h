#pragma once
// A fuzzer's input read as a row of small fields. Reading past the end gives
// zeros and short or empty texts, so that every input is a valid one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class NFuzzInput {
public:
    NFuzzInput(const uint8_t* data, size_t size) : m_pData(data), m_nSize(size) {}

    uint8_t TakeByte();
    // An unsigned integer of byteCount bytes (at most 8), little-endian.
    uint64_t TakeInteger(size_t byteCount);
    // Up to count bytes.
    std::string_view TakeBytes(size_t count);
    // The bytes up to the next line feed, which is taken but not returned.
    std::string_view TakeLine();
    // Up to count UTF-16 code units, each two bytes little-endian.
    std::u16string TakeUtf16(size_t count);

    std::string_view TakeRest() { return TakeBytes(Remaining()); }
    std::u16string TakeRestUtf16() { return TakeUtf16(Remaining() / 2); }
    size_t Remaining() const { return m_nSize - m_nPos; }

private:
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nPos = 0;
};
