// The conversions between file times and SYSTEMTIME: Windows' own.
#include "time/calendar.h"
#include "time/win32/windows_time.h"

namespace NTime {

bool FileTimeToSystemTime(uint64_t fileTime, NWin::SYSTEMTIME& time) {
    const ::FILETIME windowsFileTime = ToFileTime(fileTime);
    ::SYSTEMTIME converted{};
    if (::FileTimeToSystemTime(&windowsFileTime, &converted) == 0) {
        return false;
    }
    time = FromWindows(converted);
    return true;
}

// Windows refuses a field out of its range; Wine takes 29 February of a
// common year and the year 30828, so the fields are checked first.
bool SystemTimeToFileTime(const NWin::SYSTEMTIME& time, uint64_t& fileTime) {
    const ::SYSTEMTIME windowsTime = ToWindows(time);
    ::FILETIME converted{};
    if (!IsValidSystemTime(time) || ::SystemTimeToFileTime(&windowsTime, &converted) == 0) {
        return false;
    }
    fileTime = FromFileTime(converted);
    return true;
}

}  // namespace NTime
