#pragma once
// A time zone's rule, as Windows keeps it, and the conversion of universal
// time to the zone's local time.

#include <cstddef>
#include <cstdint>

#include "time/calendar.h"

namespace NWin {

constexpr size_t kTimeZoneNameLength = 32;

// Universal time = local time + Bias + StandardBias or DaylightBias, in
// minutes (Bias alone in a zone without daylight saving). A transition date with wYear 0 recurs
// every year: wMonth, the weekday wDayOfWeek, and wDay the week of the month (1 to 5, 5 the last);
// with wYear set it is that one date (wDay the day of the month). The
// daylight date is in local standard time, the standard date in local
// daylight time. Without a standard date (wMonth 0) the zone has no daylight
// saving.
struct TIME_ZONE_INFORMATION {
    int32_t Bias;
    char16_t StandardName[kTimeZoneNameLength];
    SYSTEMTIME StandardDate;
    int32_t StandardBias;
    char16_t DaylightName[kTimeZoneNameLength];
    SYSTEMTIME DaylightDate;
    int32_t DaylightBias;
};

}  // namespace NWin

namespace NTime {

// Converts universal time to the zone's local time. A daylight period may
// wrap the end of the year (daylight date after the standard date, as in the
// southern hemisphere). The transitions are those of the year of the local
// standard time; an absolute date of another year means no daylight saving
// in that year. False, with local untouched, for a universal time that is
// not a valid date and time, a transition date that is not valid, or a local
// time outside the file-time range.
bool SystemTimeToTzSpecificLocalTime(const NWin::TIME_ZONE_INFORMATION& zone,
                                     const NWin::SYSTEMTIME& universal, NWin::SYSTEMTIME& local);

}  // namespace NTime
