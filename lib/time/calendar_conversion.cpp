// The conversions between file times and SYSTEMTIME, as Windows makes
// them; the Windows build calls Windows instead (win32/).
#include "time/calendar.h"

using NWin::SYSTEMTIME;

namespace NTime {
namespace {

constexpr uint64_t kFirstInvalidFileTime = uint64_t{1} << 63;

}  // namespace

bool FileTimeToSystemTime(uint64_t fileTime, SYSTEMTIME& time) {
    if (fileTime >= kFirstInvalidFileTime) {
        return false;
    }
    const auto milliseconds = static_cast<int64_t>(fileTime / kUnitsPerMillisecond);
    const int64_t days = milliseconds / kMillisecondsPerDay - kDaysFrom1601To1970;
    const int64_t msOfDay = milliseconds % kMillisecondsPerDay;
    const NCivilDate date = CivilFromDays(days);
    time.wYear = static_cast<uint16_t>(date.year);
    time.wMonth = static_cast<uint16_t>(date.month);
    time.wDayOfWeek = static_cast<uint16_t>(DayOfWeek(days));
    time.wDay = static_cast<uint16_t>(date.day);
    time.wHour = static_cast<uint16_t>(msOfDay / 3600000);
    time.wMinute = static_cast<uint16_t>(msOfDay / 60000 % 60);
    time.wSecond = static_cast<uint16_t>(msOfDay / 1000 % 60);
    time.wMilliseconds = static_cast<uint16_t>(msOfDay % 1000);
    return true;
}

bool SystemTimeToFileTime(const SYSTEMTIME& time, uint64_t& fileTime) {
    if (!IsValidSystemTime(time)) {
        return false;
    }
    const int64_t days = DaysFromCivil(time.wYear, time.wMonth, time.wDay) + kDaysFrom1601To1970;
    const int64_t milliseconds = days * kMillisecondsPerDay + MillisecondsOfDay(time);
    fileTime = static_cast<uint64_t>(milliseconds) * kUnitsPerMillisecond;
    return true;
}

}  // namespace NTime
