#include "time/time_zone_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/registry_folder.h"
#include "tests/support/windows_build.h"

namespace {

using NWin::SYSTEMTIME;
using NWin::TIME_ZONE_INFORMATION;

constexpr const char* kZones =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\";

std::string ZoneKey(const std::string& name) { return kZones + name + "]\n"; }

// A zone record whose every field can be told apart from the others.
constexpr const char* kDistinctTzi =
    "\"TZI\"=hex:fe,ff,ff,ff,02,00,00,00,03,00,00,00,"
    "01,00,02,00,03,00,04,00,05,00,06,00,07,00,08,00,\\\n"
    "  09,00,0a,00,0b,00,0c,00,0d,00,0e,00,0f,00,10,00\n";

bool SameDate(const SYSTEMTIME& date, std::initializer_list<uint16_t> fields) {
    const uint16_t actual[] = {date.wYear, date.wMonth,  date.wDayOfWeek, date.wDay,
                               date.wHour, date.wMinute, date.wSecond,    date.wMilliseconds};
    return std::equal(fields.begin(), fields.end(), std::begin(actual));
}

class TimeZoneRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        Q6_LINUX_ONLY("the zones come from .reg files; the Windows build reads the registry");
    }

    TIME_ZONE_INFORMATION m_zone = Marked();

    static TIME_ZONE_INFORMATION Marked() {
        TIME_ZONE_INFORMATION zone;
        std::memset(&zone, 0x5A, sizeof(zone));
        return zone;
    }

    bool ZoneUntouched() const {
        const TIME_ZONE_INFORMATION marked = Marked();
        return std::memcmp(&m_zone, &marked, sizeof(m_zone)) == 0;
    }

    NRegistryFolder m_folder;
};

TEST_F(TimeZoneRegistryTest, ReadsEveryFieldOfTheRecord) {
    m_folder.WriteRegFile("zones.reg",
                          ZoneKey("Test Zone") + kDistinctTzi +
                              "\"Std\"=\"Test Standard\"\n\"Dlt\"=\"Test Daylight\"\n");
    ASSERT_EQ(NTime::LoadTimeZoneInfo(m_zone, u"test zone"), NTime::kTimeZoneLoaded);
    EXPECT_EQ(m_zone.Bias, -2);
    EXPECT_EQ(m_zone.StandardBias, 2);
    EXPECT_EQ(m_zone.DaylightBias, 3);
    EXPECT_TRUE(SameDate(m_zone.StandardDate, {1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(SameDate(m_zone.DaylightDate, {9, 10, 11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(std::u16string(m_zone.StandardName), u"Test Standard");
    EXPECT_EQ(std::u16string(m_zone.DaylightName), u"Test Daylight");
}

TEST_F(TimeZoneRegistryTest, CutsLongNamesTo31Characters) {
    // Forty characters each, which read differently wherever 31 are cut out.
    m_folder.WriteRegFile("zones.reg",
                          ZoneKey("Long") + kDistinctTzi +
                              "\"Std\"=\"Standard 0123456789 abcdefghij ABCDEFGHI\"\n"
                              "\"Dlt\"=\"Daylight 9876543210 jihgfedcba JIHGFEDCB\"\n");
    ASSERT_EQ(NTime::LoadTimeZoneInfo(m_zone, u"Long"), NTime::kTimeZoneLoaded);
    EXPECT_EQ(std::u16string(m_zone.StandardName), u"Standard 0123456789 abcdefghij ");
    EXPECT_EQ(std::u16string(m_zone.DaylightName), u"Daylight 9876543210 jihgfedcba ");
}

TEST_F(TimeZoneRegistryTest, MissingNamesAreEmpty) {
    m_folder.WriteRegFile("zones.reg", ZoneKey("Nameless") + kDistinctTzi);
    ASSERT_EQ(NTime::LoadTimeZoneInfo(m_zone, u"Nameless"), NTime::kTimeZoneLoaded);
    EXPECT_EQ(std::u16string(m_zone.StandardName), u"");
    EXPECT_EQ(std::u16string(m_zone.DaylightName), u"");
}

TEST_F(TimeZoneRegistryTest, AMissingKeyIsMinusTwo) {
    m_folder.WriteRegFile("zones.reg", ZoneKey("Other") + kDistinctTzi);
    EXPECT_EQ(NTime::LoadTimeZoneInfo(m_zone, u"Korea Standard Time"), NTime::kTimeZoneKeyMissing);
    EXPECT_EQ(NTime::LoadTimeZoneInfo(m_zone, nullptr), NTime::kTimeZoneKeyMissing);
    EXPECT_TRUE(ZoneUntouched());
}

TEST_F(TimeZoneRegistryTest, AMissingOrShortRecordIsMinusThree) {
    m_folder.WriteRegFile("zones.reg", ZoneKey("No Record") + "\"Std\"=\"x\"\n" +
                                           ZoneKey("Short Record") +
                                           "\"TZI\"=hex:c4,ff,ff,ff,00,00,00,00,c4,ff,ff,ff\n");
    EXPECT_EQ(NTime::LoadTimeZoneInfo(m_zone, u"No Record"), NTime::kTimeZoneTziMissing);
    EXPECT_EQ(NTime::LoadTimeZoneInfo(m_zone, u"Short Record"), NTime::kTimeZoneTziMissing);
    EXPECT_TRUE(ZoneUntouched());
}

TEST_F(TimeZoneRegistryTest, ALongerRecordIsReadToItsFirst44Bytes) {
    std::string record = "\"TZI\"=hex:10,00,00,00";
    for (int index = 4; index < 50; ++index) {
        record += ",00";
    }
    m_folder.WriteRegFile("zones.reg", ZoneKey("Long Record") + record + "\n");
    ASSERT_EQ(NTime::LoadTimeZoneInfo(m_zone, u"Long Record"), NTime::kTimeZoneLoaded);
    EXPECT_EQ(m_zone.Bias, 16);
}

TEST(ShippedTimeZonesTest, HoldTheZonesThatTheSystemUses) {
    const NRegistryVariable shipped(Q6_SHIPPED_REGISTRY_DIR);
    TIME_ZONE_INFORMATION korea{};
    TIME_ZONE_INFORMATION pacific{};
    TIME_ZONE_INFORMATION sydney{};
    const int koreaResult = NTime::LoadTimeZoneInfo(korea, u"Korea Standard Time");
    const int pacificResult = NTime::LoadTimeZoneInfo(pacific, u"Pacific Standard Time");
    const int sydneyResult = NTime::LoadTimeZoneInfo(sydney, u"AUS Eastern Standard Time");

    ASSERT_EQ(koreaResult, NTime::kTimeZoneLoaded);
    EXPECT_EQ(korea.Bias, -540);
    EXPECT_EQ(korea.StandardBias, 0);
    EXPECT_EQ(korea.DaylightBias, -60);
    EXPECT_TRUE(SameDate(korea.StandardDate, {0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(SameDate(korea.DaylightDate, {0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::u16string(korea.StandardName), u"Korea Standard Time");
    EXPECT_EQ(std::u16string(korea.DaylightName), u"Korea Daylight Time");

    ASSERT_EQ(pacificResult, NTime::kTimeZoneLoaded);
    EXPECT_EQ(pacific.Bias, 480);
    EXPECT_EQ(pacific.DaylightBias, -60);
    EXPECT_TRUE(SameDate(pacific.StandardDate, {0, 11, 0, 1, 2, 0, 0, 0}));
    EXPECT_TRUE(SameDate(pacific.DaylightDate, {0, 3, 0, 2, 2, 0, 0, 0}));
    EXPECT_EQ(std::u16string(pacific.DaylightName), u"Pacific Daylight Time");

    ASSERT_EQ(sydneyResult, NTime::kTimeZoneLoaded);
    EXPECT_EQ(sydney.Bias, -600);
    EXPECT_TRUE(SameDate(sydney.StandardDate, {0, 4, 0, 1, 3, 0, 0, 0}));
    EXPECT_TRUE(SameDate(sydney.DaylightDate, {0, 10, 0, 1, 2, 0, 0, 0}));
}

}  // namespace
