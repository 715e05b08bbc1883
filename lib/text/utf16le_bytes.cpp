#include "text/utf16le_bytes.h"

namespace NOs {

std::u16string DecodeUtf16Le(std::string_view bytes) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t pos = 0; pos + 1 < bytes.size(); pos += 2) {
        const auto low = static_cast<unsigned char>(bytes[pos]);
        const auto high = static_cast<unsigned char>(bytes[pos + 1]);
        units += static_cast<char16_t>(low | (high << 8));
    }
    return units;
}

}  // namespace NOs
