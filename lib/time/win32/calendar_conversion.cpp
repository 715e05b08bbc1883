// The conversions between file times and SYSTEMTIME: Windows' own.
#include "time/calendar.h"
#include "time/win32/kernel_time.h"

namespace NTime {

static_assert(sizeof(SYSTEMTIME) == NKernelTime::kSystemTimeBytes);

bool FileTimeToSystemTime(uint64_t fileTime, SYSTEMTIME& time) {
    SYSTEMTIME converted{};
    if (!NKernelTime::FileTimeToSystemTime(fileTime, &converted)) {
        return false;
    }
    time = converted;
    return true;
}

// Windows refuses a field out of its range; Wine takes 29 February of a
// common year and the year 30828, so the fields are checked first.
bool SystemTimeToFileTime(const SYSTEMTIME& time, uint64_t& fileTime) {
    return IsValidSystemTime(time) && NKernelTime::SystemTimeToFileTime(&time, fileTime);
}

}  // namespace NTime
