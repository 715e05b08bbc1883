#include "time/time_zone.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/support/windows_build.h"

namespace {

using NWin::SYSTEMTIME;
using NWin::TIME_ZONE_INFORMATION;

struct NMoment {
    uint16_t year, month, day, hour, minute, second;
};

SYSTEMTIME ToSystemTime(const NMoment& moment) {
    return SYSTEMTIME{moment.year,   moment.month,  0, moment.day, moment.hour,
                      moment.minute, moment.second, 0};
}

std::string Text(const SYSTEMTIME& time) {
    char text[64];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond);
    return text;
}

// A recurring transition: the week-th weekday of month at hour.
SYSTEMTIME Recurring(uint16_t month, uint16_t weekday, uint16_t week, uint16_t hour) {
    return SYSTEMTIME{0, month, weekday, week, hour, 0, 0, 0};
}

TIME_ZONE_INFORMATION Zone(int32_t bias, SYSTEMTIME standardDate, SYSTEMTIME daylightDate) {
    TIME_ZONE_INFORMATION zone{};
    zone.Bias = bias;
    zone.StandardBias = 0;
    zone.DaylightBias = -60;
    zone.StandardDate = standardDate;
    zone.DaylightDate = daylightDate;
    return zone;
}

const TIME_ZONE_INFORMATION kKorea = Zone(-540, {}, {});
// Second Sunday of March 02:00 to first Sunday of November 02:00.
const TIME_ZONE_INFORMATION kPacific = Zone(480, Recurring(11, 0, 1, 2), Recurring(3, 0, 2, 2));
// First Sunday of October 02:00 to first Sunday of April 03:00: wraps the year end.
const TIME_ZONE_INFORMATION kSydney = Zone(-600, Recurring(4, 0, 1, 3), Recurring(10, 0, 1, 2));
// Last Sunday of March 02:00 to last Sunday of October 03:00.
const TIME_ZONE_INFORMATION kBerlin = Zone(-60, Recurring(10, 0, 5, 3), Recurring(3, 0, 5, 2));

struct NCase {
    const char* zoneName;
    const TIME_ZONE_INFORMATION* zone;
    NMoment universal;
    const char* local;
};

TEST(TimeZoneTest, ConvertsOnBothSidesOfEveryTransition) {
    const NCase cases[] = {
        {"Korea", &kKorea, {2021, 6, 1, 23, 30, 0}, "2021-06-02 08:30:00"},
        {"Korea", &kKorea, {2021, 12, 31, 15, 0, 0}, "2022-01-01 00:00:00"},
        {"Pacific", &kPacific, {2021, 1, 15, 12, 0, 0}, "2021-01-15 04:00:00"},
        {"Pacific", &kPacific, {2021, 3, 14, 9, 59, 59}, "2021-03-14 01:59:59"},
        {"Pacific", &kPacific, {2021, 3, 14, 10, 0, 0}, "2021-03-14 03:00:00"},
        {"Pacific", &kPacific, {2021, 7, 1, 12, 0, 0}, "2021-07-01 05:00:00"},
        {"Pacific", &kPacific, {2021, 11, 7, 8, 59, 59}, "2021-11-07 01:59:59"},
        {"Pacific", &kPacific, {2021, 11, 7, 9, 0, 0}, "2021-11-07 01:00:00"},
        {"Pacific", &kPacific, {2022, 1, 1, 7, 59, 59}, "2021-12-31 23:59:59"},
        {"Sydney", &kSydney, {2021, 1, 15, 0, 0, 0}, "2021-01-15 11:00:00"},
        {"Sydney", &kSydney, {2021, 4, 3, 15, 59, 59}, "2021-04-04 02:59:59"},
        {"Sydney", &kSydney, {2021, 4, 3, 16, 0, 0}, "2021-04-04 02:00:00"},
        {"Sydney", &kSydney, {2021, 7, 1, 0, 0, 0}, "2021-07-01 10:00:00"},
        {"Sydney", &kSydney, {2021, 10, 2, 15, 59, 59}, "2021-10-03 01:59:59"},
        {"Sydney", &kSydney, {2021, 10, 2, 16, 0, 0}, "2021-10-03 03:00:00"},
        {"Sydney", &kSydney, {2021, 12, 31, 13, 30, 0}, "2022-01-01 00:30:00"},
        // Week 5 is the last: March 2021 has four Sundays, October 2021 five.
        {"Berlin", &kBerlin, {2021, 3, 28, 0, 59, 59}, "2021-03-28 01:59:59"},
        {"Berlin", &kBerlin, {2021, 3, 28, 1, 0, 0}, "2021-03-28 03:00:00"},
        {"Berlin", &kBerlin, {2021, 10, 31, 0, 59, 59}, "2021-10-31 02:59:59"},
        {"Berlin", &kBerlin, {2021, 10, 31, 1, 0, 0}, "2021-10-31 02:00:00"},
        {"Berlin", &kBerlin, {2021, 10, 24, 12, 0, 0}, "2021-10-24 14:00:00"},
    };
    for (const NCase& entry : cases) {
        SYSTEMTIME local{};
        ASSERT_TRUE(NTime::SystemTimeToTzSpecificLocalTime(*entry.zone,
                                                           ToSystemTime(entry.universal), local))
            << entry.zoneName << " " << entry.local;
        EXPECT_EQ(Text(local), entry.local) << entry.zoneName;
    }
}

TEST(TimeZoneTest, FillsTheDayOfWeekAndKeepsMilliseconds) {
    SYSTEMTIME universal = ToSystemTime({2021, 6, 1, 23, 30, 0});
    universal.wMilliseconds = 789;
    SYSTEMTIME local{};
    ASSERT_TRUE(NTime::SystemTimeToTzSpecificLocalTime(kKorea, universal, local));
    EXPECT_EQ(local.wDayOfWeek, 3);  // 2021-06-02 is a Wednesday
    EXPECT_EQ(local.wMilliseconds, 789);
}

TEST(TimeZoneTest, AbsoluteDatesHoldInTheirYearOnly) {
    Q6_LINUX_ONLY("Wine applies an absolute transition date in every year");
    TIME_ZONE_INFORMATION zone = kPacific;
    zone.DaylightDate = SYSTEMTIME{2021, 3, 0, 1, 2, 0, 0, 0};   // 2021-03-01 02:00
    zone.StandardDate = SYSTEMTIME{2021, 10, 0, 1, 2, 0, 0, 0};  // 2021-10-01 02:00
    const std::pair<NMoment, const char*> cases[] = {
        {{2021, 3, 1, 9, 59, 59}, "2021-03-01 01:59:59"},
        {{2021, 3, 1, 10, 0, 0}, "2021-03-01 03:00:00"},
        {{2021, 9, 30, 12, 0, 0}, "2021-09-30 05:00:00"},
        {{2021, 10, 1, 9, 0, 0}, "2021-10-01 01:00:00"},
        {{2022, 6, 1, 12, 0, 0}, "2022-06-01 04:00:00"},
        {{2020, 6, 1, 12, 0, 0}, "2020-06-01 04:00:00"},
    };
    for (const auto& [universal, expected] : cases) {
        SYSTEMTIME local{};
        ASSERT_TRUE(NTime::SystemTimeToTzSpecificLocalTime(zone, ToSystemTime(universal), local));
        EXPECT_EQ(Text(local), expected);
    }
}

TEST(TimeZoneTest, AZoneWithoutDaylightSavingUsesTheBiasAlone) {
    Q6_LINUX_ONLY("Wine refuses a zone whose daylight bias is set without a date");
    TIME_ZONE_INFORMATION zone = kKorea;
    zone.StandardBias = 30;
    zone.DaylightDate = Recurring(3, 0, 2, 2);  // no standard date: no daylight saving
    SYSTEMTIME local{};
    ASSERT_TRUE(
        NTime::SystemTimeToTzSpecificLocalTime(zone, ToSystemTime({2021, 6, 1, 0, 0, 0}), local));
    EXPECT_EQ(Text(local), "2021-06-01 09:00:00");
}

TEST(TimeZoneTest, RefusesInvalidRules) {
    Q6_LINUX_ONLY("Wine takes transition dates out of range");
    const SYSTEMTIME invalidDates[] = {
        Recurring(0, 0, 1, 2),
        Recurring(13, 0, 1, 2),
        Recurring(3, 7, 1, 2),
        Recurring(3, 0, 0, 2),
        Recurring(3, 0, 6, 2),
        Recurring(3, 0, 1, 24),
        SYSTEMTIME{0, 3, 0, 1, 2, 60, 0, 0},
        SYSTEMTIME{0, 3, 0, 1, 2, 0, 60, 0},
        SYSTEMTIME{0, 3, 0, 1, 2, 0, 0, 1000},
        SYSTEMTIME{2021, 2, 0, 29, 2, 0, 0, 0},
    };
    for (const SYSTEMTIME& date : invalidDates) {
        TIME_ZONE_INFORMATION zone = kPacific;
        zone.DaylightDate = date;
        SYSTEMTIME local = ToSystemTime({1, 2, 3, 4, 5, 6});
        EXPECT_FALSE(NTime::SystemTimeToTzSpecificLocalTime(
            zone, ToSystemTime({2021, 6, 1, 0, 0, 0}), local))
            << date.wYear << "-" << date.wMonth << " " << date.wDayOfWeek << "/" << date.wDay;
        EXPECT_EQ(Text(local), "0001-02-03 04:05:06");
    }
}

TEST(TimeZoneTest, RefusesInvalidTimesAndTimesOutOfRange) {
    const std::pair<const TIME_ZONE_INFORMATION*, NMoment> cases[] = {
        {&kKorea, {2021, 13, 1, 0, 0, 0}},    {&kKorea, {2021, 2, 29, 0, 0, 0}},
        {&kKorea, {2021, 1, 1, 24, 0, 0}},    {&kKorea, {1600, 12, 31, 0, 0, 0}},
        {&kPacific, {1601, 1, 1, 7, 59, 59}},  // local time before 1601
    };
    for (const auto& [zone, universal] : cases) {
        SYSTEMTIME local{};
        EXPECT_FALSE(NTime::SystemTimeToTzSpecificLocalTime(*zone, ToSystemTime(universal), local))
            << universal.year << "-" << universal.month << "-" << universal.day;
    }
    SYSTEMTIME local{};
    EXPECT_TRUE(NTime::SystemTimeToTzSpecificLocalTime(kPacific,
                                                       ToSystemTime({1601, 1, 1, 8, 0, 0}), local));
    EXPECT_EQ(Text(local), "1601-01-01 00:00:00");
}

}  // namespace
