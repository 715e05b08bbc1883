#include "time/calendar.h"

#include <gtest/gtest.h>

#include <tuple>

#include "file_time_constants.h"

namespace {

using NTime::FileTimeToSystemTime;
using NTime::SystemTimeToFileTime;
using NWin::SYSTEMTIME;

constexpr uint64_t kUnitsPerDay = 864000000000;

auto Fields(const SYSTEMTIME& time) {
    return std::make_tuple(time.wYear, time.wMonth, time.wDay, time.wDayOfWeek, time.wHour,
                           time.wMinute, time.wSecond, time.wMilliseconds);
}

SYSTEMTIME MakeTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour = 0,
                    uint16_t minute = 0, uint16_t second = 0, uint16_t milliseconds = 0) {
    return SYSTEMTIME{year, month, 0, day, hour, minute, second, milliseconds};
}

TEST(CalendarTest, ConvertsKnownFileTimes) {
    SYSTEMTIME time{};
    ASSERT_TRUE(FileTimeToSystemTime(0, time));
    EXPECT_EQ(Fields(time), Fields(SYSTEMTIME{1601, 1, 1, 1, 0, 0, 0, 0}));  // a Monday

    ASSERT_TRUE(FileTimeToSystemTime(k1970, time));
    EXPECT_EQ(Fields(time), Fields(SYSTEMTIME{1970, 1, 4, 1, 0, 0, 0, 0}));  // a Thursday

    // 2015-06-01 09:30:00.123 plus 4567 units: a Monday; the units below a
    // millisecond are dropped.
    ASSERT_TRUE(FileTimeToSystemTime(130776246001234567, time));
    EXPECT_EQ(Fields(time), Fields(SYSTEMTIME{2015, 6, 1, 1, 9, 30, 0, 123}));

    ASSERT_TRUE(FileTimeToSystemTime(0x7FFFFFFFFFFFFFFF, time));
    EXPECT_EQ(Fields(time), Fields(SYSTEMTIME{30828, 9, 4, 14, 2, 48, 5, 477}));
}

TEST(CalendarTest, RefusesFileTimesFrom2To63) {
    SYSTEMTIME time = MakeTime(1, 2, 3);
    EXPECT_FALSE(FileTimeToSystemTime(0x8000000000000000, time));
    EXPECT_FALSE(FileTimeToSystemTime(~uint64_t{0}, time));
    EXPECT_EQ(Fields(time), Fields(MakeTime(1, 2, 3)));
}

// Whether time is the day after previous, and converts back to fileTime.
bool FollowsAndRoundTrips(const SYSTEMTIME& previous, const SYSTEMTIME& time, uint64_t fileTime) {
    const bool sameMonth = time.wYear == previous.wYear && time.wMonth == previous.wMonth;
    const bool dayFollows =
        sameMonth ? time.wDay == previous.wDay + 1
                  : time.wDay == 1 &&
                        previous.wDay == NTime::DaysInMonth(previous.wYear, previous.wMonth) &&
                        (time.wMonth == 1 ? time.wYear - 1 : time.wYear) == previous.wYear;
    uint64_t back = 0;
    const bool roundTrips = time.wYear > NTime::kLastSystemYear ||
                            (SystemTimeToFileTime(time, back) && back == fileTime);
    return dayFollows && time.wDayOfWeek == (previous.wDayOfWeek + 1) % 7 && roundTrips;
}

TEST(CalendarTest, DaysFollowOneAnotherAcrossTheWholeRange) {
    SYSTEMTIME previous{};
    ASSERT_TRUE(FileTimeToSystemTime(0, previous));
    for (uint64_t fileTime = kUnitsPerDay; fileTime < 0x7FFFFFFFFFFFFFFF;
         fileTime += kUnitsPerDay) {
        SYSTEMTIME time{};
        const bool converted = FileTimeToSystemTime(fileTime, time);
        if (!converted || !FollowsAndRoundTrips(previous, time, fileTime)) {
            FAIL() << "day " << fileTime / kUnitsPerDay << ": " << time.wYear << "-" << time.wMonth
                   << "-" << time.wDay;
        }
        previous = time;
    }
    EXPECT_EQ(Fields(previous), Fields(SYSTEMTIME{30828, 9, 4, 14, 0, 0, 0, 0}));
}

TEST(CalendarTest, KnowsLeapYears) {
    EXPECT_TRUE(NTime::IsLeapYear(2000));
    EXPECT_TRUE(NTime::IsLeapYear(2024));
    EXPECT_TRUE(NTime::IsLeapYear(-4));
    EXPECT_FALSE(NTime::IsLeapYear(1900));
    EXPECT_FALSE(NTime::IsLeapYear(2021));
    EXPECT_EQ(NTime::DaysInMonth(2000, 2), 29u);
    EXPECT_EQ(NTime::DaysInMonth(1900, 2), 28u);
    EXPECT_EQ(NTime::DaysInMonth(2021, 12), 31u);
    EXPECT_EQ(NTime::DaysInMonth(2021, 13), 0u);
}

TEST(CalendarTest, DaysFromCivilInvertsCivilFromDays) {
    EXPECT_EQ(NTime::DaysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(NTime::DaysFromCivil(1601, 1, 1), -NTime::kDaysFrom1601To1970);
    for (int64_t days = -1000000; days <= 1000000; days += 97) {
        const NTime::NCivilDate date = NTime::CivilFromDays(days);
        ASSERT_EQ(NTime::DaysFromCivil(date.year, date.month, date.day), days);
    }
    EXPECT_EQ(NTime::DayOfWeek(0), 4u);
    EXPECT_EQ(NTime::DayOfWeek(-1), 3u);
}

TEST(CalendarTest, DaysFromFieldsCarriesOver) {
    EXPECT_EQ(NTime::DaysFromFields(2014, 13, 1), NTime::DaysFromCivil(2015, 1, 1));
    EXPECT_EQ(NTime::DaysFromFields(2015, 0, 1), NTime::DaysFromCivil(2014, 12, 1));
    EXPECT_EQ(NTime::DaysFromFields(2015, -11, 1), NTime::DaysFromCivil(2014, 1, 1));
    EXPECT_EQ(NTime::DaysFromFields(2015, 25, 1), NTime::DaysFromCivil(2017, 1, 1));
    EXPECT_EQ(NTime::DaysFromFields(2015, 3, 0), NTime::DaysFromCivil(2015, 2, 28));
    EXPECT_EQ(NTime::DaysFromFields(2016, 2, 30), NTime::DaysFromCivil(2016, 3, 1));
}

TEST(CalendarTest, SystemTimeToFileTimeRefusesInvalidFields) {
    const SYSTEMTIME invalid[] = {
        MakeTime(2021, 0, 1),           MakeTime(2021, 13, 1),
        MakeTime(2021, 1, 0),           MakeTime(2021, 2, 29),
        MakeTime(1900, 2, 29),          MakeTime(2021, 4, 31),
        MakeTime(2021, 1, 1, 24),       MakeTime(2021, 1, 1, 0, 60),
        MakeTime(2021, 1, 1, 0, 0, 60), MakeTime(2021, 1, 1, 0, 0, 0, 1000),
        MakeTime(1600, 12, 31),         MakeTime(30828, 1, 1),
    };
    for (const SYSTEMTIME& time : invalid) {
        uint64_t fileTime = 7;
        EXPECT_FALSE(SystemTimeToFileTime(time, fileTime)) << time.wYear << "-" << time.wMonth;
        EXPECT_EQ(fileTime, 7u);
    }
}

TEST(CalendarTest, SystemTimeToFileTimeCountsEveryField) {
    uint64_t fileTime = 0;
    ASSERT_TRUE(SystemTimeToFileTime(MakeTime(2000, 2, 29, 23, 59, 59, 999), fileTime));
    EXPECT_EQ(fileTime, k1970 + (uint64_t{951868799} * 1000 + 999) * 10000);
    ASSERT_TRUE(SystemTimeToFileTime(MakeTime(1601, 1, 1), fileTime));
    EXPECT_EQ(fileTime, 0u);
    ASSERT_TRUE(SystemTimeToFileTime(MakeTime(30827, 12, 31, 23, 59, 59, 999), fileTime));
}

}  // namespace
