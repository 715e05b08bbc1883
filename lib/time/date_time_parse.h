#pragma once
// The server's date-time text YYYY-MM-DD hh:mm:ss as a count of seconds.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "time/calendar.h"

namespace NTime {

constexpr size_t kDateTimeTextLength = 19;

// The instants that ParseDateTime accepts, in seconds since 1970-01-01 00:00:00:
// 1969-12-31 12:00:00 to 3001-01-01 20:59:59.
constexpr int64_t kEarliestDateTime = -12 * kSecondsPerHour;
constexpr int64_t kLatestDateTime =
    DaysFromCivil(3001, 1, 1) * kSecondsPerDay + 20 * kSecondsPerHour + int64_t{59} * 60 + 59;
constexpr int64_t kInvalidDateTime = -1;

// Reads the fields by character position (year 0-3, month 5-6, day 8-9, hour
// 11-12, minute 14-15, second 17-18; the characters between are not looked
// at), each like ReadDecimal, and counts the seconds since
// 1970-01-01 00:00:00 in universal time: no time zone is applied. A field
// beyond its usual range carries over (month 13 is January of the next year,
// day 0 the last day of the month before, hour 24 midnight of the next day).
// kInvalidDateTime for a text that is not kDateTimeTextLength long or an
// instant outside the accepted range.
int64_t ParseDateTime(std::u16string_view text);

}  // namespace NTime
