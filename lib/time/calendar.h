#pragma once
// Calendar arithmetic of the proleptic Gregorian calendar, and the Windows
// time forms: a file time counts 100-nanosecond units since
// 1601-01-01 00:00:00, a SYSTEMTIME holds the calendar fields.

#include <cstdint>

// The Windows-named types and constants of this system live in NWin, so that
// windows.h, which declares Windows' own, can sit beside them.
namespace NWin {

struct SYSTEMTIME {
    uint16_t wYear;
    uint16_t wMonth;      // 1 to 12
    uint16_t wDayOfWeek;  // 0 (Sunday) to 6
    uint16_t wDay;        // 1 to 31
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};

}  // namespace NWin

namespace NTime {

constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr uint64_t kUnitsPerSecond = 10000000;
constexpr uint64_t kUnitsPerMillisecond = 10000;
constexpr int64_t kSecondsPerHour = 3600;
constexpr int64_t kSecondsPerDay = 24 * kSecondsPerHour;
constexpr int64_t kMillisecondsPerDay = kSecondsPerDay * 1000;
constexpr int64_t kDaysFrom1601To1970 = kSecondsFrom1601To1970 / kSecondsPerDay;

// The years a SYSTEMTIME may hold on input, as on Windows.
constexpr uint16_t kFirstSystemYear = 1601;
constexpr uint16_t kLastSystemYear = 30827;

// Days from 1970-01-01 to the date; month 1 to 12, day 1 to 31. Any year,
// negative ones included.
constexpr int64_t DaysFromCivil(int64_t year, uint32_t month, uint32_t day) {
    const int64_t shiftedYear = month <= 2 ? year - 1 : year;  // years begin on March 1
    const int64_t era = (shiftedYear >= 0 ? shiftedYear : shiftedYear - 399) / 400;
    const auto yearOfEra = static_cast<uint32_t>(shiftedYear - era * 400);
    const uint32_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const uint32_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

// The same for fields out of their usual range, carried over: month 13 is
// January of the next year, day 0 the last day of the month before.
int64_t DaysFromFields(int64_t year, int64_t month, int64_t day);

struct NCivilDate {
    int64_t year;
    uint32_t month;
    uint32_t day;
};

// The date that lies days after 1970-01-01.
NCivilDate CivilFromDays(int64_t days);

bool IsLeapYear(int64_t year);
uint32_t DaysInMonth(int64_t year, uint32_t month);

// 0 (Sunday) to 6 for the date that lies days after 1970-01-01.
uint32_t DayOfWeek(int64_t days);

// Milliseconds from midnight to the time of day of the fields.
int64_t MillisecondsOfDay(const NWin::SYSTEMTIME& time);

// Fills every field, the day of the week included. False, with time
// untouched, for a file time of 2^63 or more, as on Windows.
bool FileTimeToSystemTime(uint64_t fileTime, NWin::SYSTEMTIME& time);

// The fields hold a date of kFirstSystemYear to kLastSystemYear and a time
// of day, each in its range (the day of the week is not looked at).
bool IsValidSystemTime(const NWin::SYSTEMTIME& time);

// The file time of the fields (the day of the week is not looked at). False,
// with fileTime untouched, for a field out of its range or a year outside
// kFirstSystemYear to kLastSystemYear.
bool SystemTimeToFileTime(const NWin::SYSTEMTIME& time, uint64_t& fileTime);

}  // namespace NTime
