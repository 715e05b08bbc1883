#include "time/decimal_text.h"

#include <limits>

namespace NTime {
namespace {

bool IsWhiteSpace(char16_t unit) { return unit == u' ' || (unit >= u'\t' && unit <= u'\r'); }

bool IsDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

}  // namespace

int64_t ReadDecimal(std::u16string_view text) {
    size_t pos = 0;
    while (pos < text.size() && IsWhiteSpace(text[pos])) {
        ++pos;
    }
    const bool negative = pos < text.size() && text[pos] == u'-';
    if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+')) {
        ++pos;
    }

    // The magnitude is gathered up to the largest value its sign allows.
    const uint64_t limit = negative ? uint64_t{1} << 63 : std::numeric_limits<int64_t>::max();
    uint64_t magnitude = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        const auto digit = static_cast<uint64_t>(text[pos] - u'0');
        if (magnitude > (limit - digit) / 10) {
            magnitude = limit;
            break;
        }
        magnitude = magnitude * 10 + digit;
    }
    return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

}  // namespace NTime
