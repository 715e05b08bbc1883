#include "fuzz/fuzz_input.h"

#include <algorithm>

#include "text/utf16le_bytes.h"

uint8_t NFuzzInput::TakeByte() { return m_nPos < m_nSize ? m_pData[m_nPos++] : 0; }

uint64_t NFuzzInput::TakeInteger(size_t byteCount) {
    uint64_t value = 0;
    for (size_t index = 0; index < std::min<size_t>(byteCount, 8); ++index) {
        value |= static_cast<uint64_t>(TakeByte()) << (8 * index);
    }
    return value;
}

std::string_view NFuzzInput::TakeBytes(size_t count) {
    const size_t taken = std::min(count, Remaining());
    const std::string_view bytes(reinterpret_cast<const char*>(m_pData + m_nPos), taken);
    m_nPos += taken;
    return bytes;
}

std::string_view NFuzzInput::TakeLine() {
    const std::string_view rest(reinterpret_cast<const char*>(m_pData + m_nPos), Remaining());
    const std::string_view line = rest.substr(0, rest.find('\n'));
    m_nPos += std::min(line.size() + 1, rest.size());
    return line;
}

std::u16string NFuzzInput::TakeUtf16(size_t count) {
    return NOs::DecodeUtf16Le(TakeBytes(count <= Remaining() / 2 ? 2 * count : Remaining()));
}
