// A zone's local time: Windows' own conversion.
#include "time/time_zone.h"

#include "time/calendar.h"
#include "time/win32/kernel_time.h"

namespace NTime {

static_assert(sizeof(TIME_ZONE_INFORMATION) == NKernelTime::kTimeZoneBytes);

// Windows refuses a universal time that SystemTimeToFileTime refuses; Wine
// takes 29 February of a common year, so the fields are checked first.
bool SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& universal,
                                     SYSTEMTIME& local) {
    SYSTEMTIME converted{};
    if (!IsValidSystemTime(universal) ||
        !NKernelTime::SystemTimeToTzSpecificLocalTime(&zone, &universal, &converted)) {
        return false;
    }
    local = converted;
    return true;
}

}  // namespace NTime
