#include "time/date_time_parse.h"

#include "time/decimal_text.h"

namespace NTime {
namespace {

int64_t ReadField(std::u16string_view text, size_t position, size_t length) {
    return ReadDecimal(text.substr(position, length));
}

}  // namespace

int64_t ParseDateTime(std::u16string_view text) {
    if (text.size() != kDateTimeTextLength) {
        return kInvalidDateTime;
    }

    // Fields hold at most four digits, so none of the sums below can overflow.
    const int64_t days =
        DaysFromFields(ReadField(text, 0, 4), ReadField(text, 5, 2), ReadField(text, 8, 2));
    const int64_t seconds = days * kSecondsPerDay + ReadField(text, 11, 2) * 3600 +
                            ReadField(text, 14, 2) * 60 + ReadField(text, 17, 2);
    if (seconds < kEarliestDateTime || seconds > kLatestDateTime) {
        return kInvalidDateTime;
    }
    return seconds;
}

}  // namespace NTime
