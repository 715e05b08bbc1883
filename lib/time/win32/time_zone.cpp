// A zone's local time: Windows' own conversion.
#include "time/time_zone.h"

#include "time/win32/kernel_time.h"

namespace NTime {

static_assert(sizeof(TIME_ZONE_INFORMATION) == NKernelTime::kTimeZoneBytes);

bool SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& universal,
                                     SYSTEMTIME& local) {
    SYSTEMTIME converted{};
    if (!NKernelTime::SystemTimeToTzSpecificLocalTime(&zone, &universal, &converted)) {
        return false;
    }
    local = converted;
    return true;
}

}  // namespace NTime
