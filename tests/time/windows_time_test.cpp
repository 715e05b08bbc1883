// This system's time types through Windows' own conversions and back (built
// only on Windows): each known answer holds only when every field reaches
// its counterpart.
#include "time/win32/windows_time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <tuple>

namespace {

auto Fields(const NWin::SYSTEMTIME& time) {
    return std::make_tuple(time.wYear, time.wMonth, time.wDayOfWeek, time.wDay, time.wHour,
                           time.wMinute, time.wSecond, time.wMilliseconds);
}

struct NDateCase {
    NWin::SYSTEMTIME time;
    uint64_t fileTime;
};

TEST(WindowsTimeTest, DatesMeetTheirFileTimesThroughWindows) {
    const NDateCase cases[] = {
        {{1601, 1, 1, 1, 0, 0, 0, 0}, 0},
        {{1970, 1, 4, 1, 0, 0, 0, 0}, 116444736000000000},
        // Every field differs from the others.
        {{2004, 2, 0, 29, 13, 45, 17, 891}, 127225359178910000},
        {{2015, 6, 1, 1, 9, 30, 0, 123}, 130776246001230000},
        {{30827, 12, 5, 31, 23, 59, 59, 999}, 9223149887999990000u},
    };
    for (const NDateCase& test : cases) {
        const ::SYSTEMTIME windowsTime = NTime::ToWindows(test.time);
        ::FILETIME fileTime{};
        ASSERT_NE(::SystemTimeToFileTime(&windowsTime, &fileTime), 0) << test.fileTime;
        EXPECT_EQ(NTime::FromFileTime(fileTime), test.fileTime);

        const ::FILETIME known = NTime::ToFileTime(test.fileTime);
        ::SYSTEMTIME windowsBack{};
        ASSERT_NE(::FileTimeToSystemTime(&known, &windowsBack), 0) << test.fileTime;
        EXPECT_EQ(Fields(NTime::FromWindows(windowsBack)), Fields(test.time)) << test.fileTime;
    }
}

NWin::TIME_ZONE_INFORMATION Zone(int32_t bias, int32_t standardBias, int32_t daylightBias,
                                 NWin::SYSTEMTIME standardDate, NWin::SYSTEMTIME daylightDate) {
    return {bias, {}, standardDate, standardBias, {}, daylightDate, daylightBias};
}

// First Sunday of November 02:00 and second Sunday of March 02:00.
constexpr NWin::SYSTEMTIME kNovember{0, 11, 0, 1, 2, 0, 0, 0};
constexpr NWin::SYSTEMTIME kMarch{0, 3, 0, 2, 2, 0, 0, 0};
// First Sunday of April 03:00 and first Sunday of October 02:00.
constexpr NWin::SYSTEMTIME kApril{0, 4, 0, 1, 3, 0, 0, 0};
constexpr NWin::SYSTEMTIME kOctober{0, 10, 0, 1, 2, 0, 0, 0};

struct NZoneCase {
    NWin::TIME_ZONE_INFORMATION zone;
    NWin::SYSTEMTIME universal;
    NWin::SYSTEMTIME local;
};

// The three biases differ, so that each one found in another's place moves
// the local time.
TEST(WindowsTimeTest, ZonesGiveKnownLocalTimesThroughWindows) {
    const NWin::TIME_ZONE_INFORMATION korea = Zone(-540, 0, 0, {}, {});
    const NWin::TIME_ZONE_INFORMATION pacific = Zone(480, 15, -60, kNovember, kMarch);
    const NWin::TIME_ZONE_INFORMATION sydney = Zone(-600, 0, -60, kApril, kOctober);
    const NZoneCase cases[] = {
        {korea, {2021, 6, 2, 1, 23, 30, 0, 250}, {2021, 6, 3, 2, 8, 30, 0, 250}},
        {pacific, {2021, 1, 5, 15, 12, 0, 0, 0}, {2021, 1, 5, 15, 3, 45, 0, 0}},
        {pacific, {2021, 7, 4, 1, 12, 0, 0, 0}, {2021, 7, 4, 1, 5, 0, 0, 0}},
        {sydney, {2021, 1, 5, 15, 0, 0, 0, 0}, {2021, 1, 5, 15, 11, 0, 0, 0}},
        {sydney, {2021, 7, 4, 1, 0, 0, 0, 0}, {2021, 7, 4, 1, 10, 0, 0, 0}},
    };
    for (const NZoneCase& test : cases) {
        const ::TIME_ZONE_INFORMATION windowsZone = NTime::ToWindows(test.zone);
        const ::SYSTEMTIME universal = NTime::ToWindows(test.universal);
        ::SYSTEMTIME local{};
        ASSERT_NE(::SystemTimeToTzSpecificLocalTime(&windowsZone, &universal, &local), 0);
        EXPECT_EQ(Fields(NTime::FromWindows(local)), Fields(test.local)) << test.zone.Bias;
    }
}

TEST(WindowsTimeTest, ZoneNamesReachWindowsWhole) {
    NWin::TIME_ZONE_INFORMATION zone{};
    const std::u16string standard = u"Korea Standard Time";
    const std::u16string daylight(NWin::kTimeZoneNameLength - 1, u'D');
    std::copy(standard.begin(), standard.end(), std::begin(zone.StandardName));
    std::copy(daylight.begin(), daylight.end(), std::begin(zone.DaylightName));

    const ::TIME_ZONE_INFORMATION windowsZone = NTime::ToWindows(zone);
    EXPECT_EQ(std::u16string(windowsZone.StandardName), standard);
    EXPECT_EQ(std::u16string(windowsZone.DaylightName), daylight);
}

}  // namespace
