#include "time/calendar.h"

using NWin::SYSTEMTIME;

namespace NTime {
namespace {

constexpr uint32_t kThursday = 4;  // 1970-01-01

int64_t FloorDivide(int64_t value, int64_t divisor) {
    const int64_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

bool IsValidTimeOfDay(const SYSTEMTIME& time) {
    return time.wHour < 24 && time.wMinute < 60 && time.wSecond < 60 && time.wMilliseconds < 1000;
}

bool IsValidDate(const SYSTEMTIME& time) {
    return time.wYear >= kFirstSystemYear && time.wYear <= kLastSystemYear && time.wMonth >= 1 &&
           time.wMonth <= 12 && time.wDay >= 1 && time.wDay <= DaysInMonth(time.wYear, time.wMonth);
}

}  // namespace

int64_t DaysFromFields(int64_t year, int64_t month, int64_t day) {
    const int64_t monthIndex = month - 1;
    const int64_t yearsCarried = FloorDivide(monthIndex, 12);
    const auto monthInYear = static_cast<uint32_t>(monthIndex - yearsCarried * 12 + 1);
    return DaysFromCivil(year + yearsCarried, monthInYear, 1) + day - 1;
}

NCivilDate CivilFromDays(int64_t days) {
    days += 719468;  // counted from 0000-03-01
    const int64_t era = FloorDivide(days, 146097);
    const auto dayOfEra = static_cast<uint32_t>(days - era * 146097);
    const uint32_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const uint32_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const uint32_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const uint32_t day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const uint32_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    const int64_t year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

bool IsLeapYear(int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

uint32_t DaysInMonth(int64_t year, uint32_t month) {
    static constexpr uint32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

uint32_t DayOfWeek(int64_t days) { return static_cast<uint32_t>((days % 7 + 7 + kThursday) % 7); }

int64_t MillisecondsOfDay(const SYSTEMTIME& time) {
    return int64_t{time.wHour} * 3600000 + int64_t{time.wMinute} * 60000 +
           int64_t{time.wSecond} * 1000 + time.wMilliseconds;
}

bool IsValidSystemTime(const SYSTEMTIME& time) {
    return IsValidDate(time) && IsValidTimeOfDay(time);
}

}  // namespace NTime
