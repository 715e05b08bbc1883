#include "time/time_zone.h"

#include <optional>

using NWin::SYSTEMTIME;
using NWin::TIME_ZONE_INFORMATION;

namespace NTime {
namespace {

constexpr int64_t kMillisecondsPerMinute = 60000;
constexpr uint16_t kLastWeek = 5;

bool HasDaylightSaving(const TIME_ZONE_INFORMATION& zone) { return zone.StandardDate.wMonth != 0; }

bool IsValidTransition(const SYSTEMTIME& date) {
    if (date.wMonth < 1 || date.wMonth > 12 || date.wHour > 23 || date.wMinute > 59 ||
        date.wSecond > 59 || date.wMilliseconds > 999) {
        return false;
    }
    if (date.wYear != 0) {
        return date.wDay >= 1 && date.wDay <= DaysInMonth(date.wYear, date.wMonth);
    }
    return date.wDayOfWeek <= 6 && date.wDay >= 1 && date.wDay <= kLastWeek;
}

// Day of the month of the week-th weekday of the month; week 5 is the last.
uint32_t WeekdayInMonth(int64_t year, uint32_t month, uint32_t weekday, uint32_t week) {
    const uint32_t firstWeekday = DayOfWeek(DaysFromCivil(year, month, 1));
    uint32_t day = 1 + (weekday + 7 - firstWeekday) % 7 + (week - 1) * 7;
    if (day > DaysInMonth(year, month)) {
        day -= 7;
    }
    return day;
}

// Milliseconds since 1601 of the transition in year, in the local time the
// date is given in; nothing when an absolute date lies in another year.
std::optional<int64_t> TransitionInYear(const SYSTEMTIME& date, int64_t year) {
    if (date.wYear != 0 && date.wYear != year) {
        return std::nullopt;
    }
    const uint32_t day =
        date.wYear != 0 ? date.wDay : WeekdayInMonth(year, date.wMonth, date.wDayOfWeek, date.wDay);
    const int64_t days = DaysFromCivil(year, date.wMonth, day) + kDaysFrom1601To1970;
    return days * kMillisecondsPerDay + MillisecondsOfDay(date);
}

int64_t YearOf(int64_t millisecondsSince1601) {
    SYSTEMTIME time{};
    FileTimeToSystemTime(static_cast<uint64_t>(millisecondsSince1601) * kUnitsPerMillisecond, time);
    return time.wYear;
}

bool IsDaylightTime(const TIME_ZONE_INFORMATION& zone, int64_t universalMs) {
    const int64_t standardBias = int64_t{zone.Bias} + zone.StandardBias;
    const int64_t daylightBias = int64_t{zone.Bias} + zone.DaylightBias;
    const int64_t year = YearOf(universalMs - standardBias * kMillisecondsPerMinute);
    const std::optional<int64_t> daylightStart = TransitionInYear(zone.DaylightDate, year);
    const std::optional<int64_t> standardStart = TransitionInYear(zone.StandardDate, year);
    if (!daylightStart || !standardStart) {
        return false;
    }

    const int64_t daylightStartUtc = *daylightStart + standardBias * kMillisecondsPerMinute;
    const int64_t standardStartUtc = *standardStart + daylightBias * kMillisecondsPerMinute;
    if (daylightStartUtc <= standardStartUtc) {
        return universalMs >= daylightStartUtc && universalMs < standardStartUtc;
    }
    return universalMs >= daylightStartUtc || universalMs < standardStartUtc;  // wraps the year end
}

}  // namespace

bool SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& universal,
                                     SYSTEMTIME& local) {
    uint64_t fileTime = 0;
    if (!SystemTimeToFileTime(universal, fileTime)) {
        return false;
    }
    const auto universalMs = static_cast<int64_t>(fileTime / kUnitsPerMillisecond);

    int64_t bias = zone.Bias;
    if (HasDaylightSaving(zone)) {
        if (!IsValidTransition(zone.StandardDate) || !IsValidTransition(zone.DaylightDate)) {
            return false;
        }
        bias += IsDaylightTime(zone, universalMs) ? zone.DaylightBias : zone.StandardBias;
    }
    const int64_t localMs = universalMs - bias * kMillisecondsPerMinute;
    if (localMs < 0) {
        return false;
    }
    return FileTimeToSystemTime(static_cast<uint64_t>(localMs) * kUnitsPerMillisecond, local);
}

}  // namespace NTime
