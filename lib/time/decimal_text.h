#pragma once
// Decimal numbers in text, read the way the C library's strtoll reads them.

#include <cstdint>
#include <string_view>

namespace NTime {

// Leading white space and one sign are accepted; reading stops at the first
// character that is not a digit. No digits give 0; a value beyond the 64-bit
// range is clamped to the largest or smallest 64-bit value.
int64_t ReadDecimal(std::u16string_view text);

}  // namespace NTime
