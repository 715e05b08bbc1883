// A zone's local time: Windows' own conversion.
#include "time/time_zone.h"

#include "time/calendar.h"
#include "time/win32/windows_time.h"

namespace NTime {

// Windows refuses a universal time that SystemTimeToFileTime refuses; Wine
// takes 29 February of a common year, so the fields are checked first.
bool SystemTimeToTzSpecificLocalTime(const NWin::TIME_ZONE_INFORMATION& zone,
                                     const NWin::SYSTEMTIME& universal, NWin::SYSTEMTIME& local) {
    if (!IsValidSystemTime(universal)) {
        return false;
    }
    const ::TIME_ZONE_INFORMATION windowsZone = ToWindows(zone);
    const ::SYSTEMTIME windowsUniversal = ToWindows(universal);
    ::SYSTEMTIME converted{};
    if (::SystemTimeToTzSpecificLocalTime(&windowsZone, &windowsUniversal, &converted) == 0) {
        return false;
    }
    local = FromWindows(converted);
    return true;
}

}  // namespace NTime
