#include "time/time_text.h"

#include <gtest/gtest.h>

#include <string>

#include "file_time_constants.h"
#include "tests/support/registry_folder.h"
#include "tests/support/windows_build.h"

namespace {

using NTime::NFormatTimeResult;
using NWin::SYSTEMTIME;
using NWin::TIME_ZONE_INFORMATION;

std::string Narrow(const char16_t* text) {
    return std::string(text, text + std::char_traits<char16_t>::length(text));
}

// Universal 2021-06-01 23:30:00.
constexpr uint64_t kJuneFirst = k1970 + 1622590200 * kUnitsPerSecond;

TEST(FormatSystemTimeTest, WritesEveryForm) {
    // Every field differs from the others; milliseconds are never shown.
    const SYSTEMTIME time{2015, 6, 1, 2, 9, 5, 7, 890};
    const std::pair<int, const char*> cases[] = {
        {NTime::kCodeDate, "2015-06-02"},
        {NTime::kCodeDateSlashed, "2015/06/02"},
        {NTime::kCodeDateTime, "2015-06-02 09:05:07"},
        {NTime::kCodeDateDigits, "20150602"},
        {NTime::kCodeDateTimeMinutes, "2015-06-02 09:05"},
        {NTime::kCodeTimeDigits, "090507"},
        {NTime::kCodeHourMinuteDigits, "0905"},
        {NTime::kCodeHourMinute, "09:05"},
        {NTime::kCodeUsDateTime, "06/02/2015,09:05:07"},
        {0, "20150602090507"},
        {-1, "20150602090507"},
        {121, "20150602090507"},
        {2147483647, "20150602090507"},
    };
    for (const auto& [code, expected] : cases) {
        EXPECT_EQ(Narrow(NTime::FormatSystemTime(time, code).c_str()), expected) << code;
    }
}

TEST(FormatSystemTimeTest, PadsSmallNumbersAndKeepsLargeYears) {
    const SYSTEMTIME early{1601, 1, 1, 1, 0, 0, 0, 0};
    EXPECT_EQ(Narrow(NTime::FormatSystemTime(early, NTime::kCodeUsDateTime).c_str()),
              "01/01/1601,00:00:00");
    const SYSTEMTIME late{30828, 9, 4, 14, 23, 48, 5, 477};
    EXPECT_EQ(Narrow(NTime::FormatSystemTime(late, NTime::kCodeUsDateTime).c_str()),
              "09/14/30828,23:48:05");
    EXPECT_EQ(Narrow(NTime::FormatSystemTime(late, 0).c_str()), "308280914234805");
}

class FormatServerTimeTest : public ::testing::Test {
protected:
    void SetUp() override { ForgetKorea(); }
    void TearDown() override { ForgetKorea(); }

    static void ForgetKorea() {
        g_tziKorea = TIME_ZONE_INFORMATION{};
        g_bTziKoreaLoaded = false;
    }

    NString m_strOut{u"previous"};
};

TEST_F(FormatServerTimeTest, ServerTimeZeroIsTheStartOf1601) {
    EXPECT_EQ(NTime::FormatServerTime(0, false, NTime::kCodeDateTime, m_strOut),
              NFormatTimeResult::Ok);
    EXPECT_EQ(Narrow(m_strOut.GetText()), "1601-01-01 00:00:00");
}

TEST_F(FormatServerTimeTest, WithoutConversionTheTimeIsUnchanged) {
    EXPECT_EQ(NTime::FormatServerTime(kJuneFirst, false, NTime::kCodeDateTime, m_strOut),
              NFormatTimeResult::Ok);
    EXPECT_EQ(Narrow(m_strOut.GetText()), "2021-06-01 23:30:00");
    EXPECT_FALSE(g_bTziKoreaLoaded);
}

TEST_F(FormatServerTimeTest, ATimeWithoutCalendarDateLeavesTheTextUntouched) {
    EXPECT_EQ(NTime::FormatServerTime(uint64_t{1} << 63, false, 0, m_strOut),
              NFormatTimeResult::NoCalendarTime);
    EXPECT_EQ(Narrow(m_strOut.GetText()), "previous");
}

TEST_F(FormatServerTimeTest, ConvertsToKoreaStandardTime) {
    const NRegistryVariable shipped(Q6_SHIPPED_REGISTRY_DIR);
    EXPECT_EQ(NTime::FormatServerTime(kJuneFirst, true, NTime::kCodeDateTime, m_strOut),
              NFormatTimeResult::Ok);
    EXPECT_EQ(Narrow(m_strOut.GetText()), "2021-06-02 08:30:00");
    EXPECT_TRUE(g_bTziKoreaLoaded);
    EXPECT_EQ(g_tziKorea.Bias, -540);
}

TEST_F(FormatServerTimeTest, AMissingZoneIsReadAgainOnTheNextCall) {
    Q6_LINUX_ONLY("the Windows registry always holds the zone");
    {
        const NRegistryFolder empty;
        EXPECT_EQ(NTime::FormatServerTime(kJuneFirst, true, NTime::kCodeDateTime, m_strOut),
                  NFormatTimeResult::NoZoneData);
        EXPECT_EQ(Narrow(m_strOut.GetText()), "previous");
        EXPECT_FALSE(g_bTziKoreaLoaded);
    }
    const NRegistryVariable shipped(Q6_SHIPPED_REGISTRY_DIR);
    EXPECT_EQ(NTime::FormatServerTime(kJuneFirst, true, NTime::kCodeDateTime, m_strOut),
              NFormatTimeResult::Ok);
    EXPECT_EQ(Narrow(m_strOut.GetText()), "2021-06-02 08:30:00");
}

TEST_F(FormatServerTimeTest, TheLoadedRuleIsKeptForTheProcess) {
    {
        const NRegistryVariable shipped(Q6_SHIPPED_REGISTRY_DIR);
        ASSERT_EQ(NTime::FormatServerTime(kJuneFirst, true, 0, m_strOut), NFormatTimeResult::Ok);
    }
    const NRegistryFolder empty;
    EXPECT_EQ(NTime::FormatServerTime(kJuneFirst, true, NTime::kCodeHourMinute, m_strOut),
              NFormatTimeResult::Ok);
    EXPECT_EQ(Narrow(m_strOut.GetText()), "08:30");
}

TEST_F(FormatServerTimeTest, AFailedConversionLeavesTheTextUntouched) {
    Q6_LINUX_ONLY("Wine takes a transition date out of range (month 13)");
    g_tziKorea.Bias = -540;
    g_tziKorea.StandardDate.wMonth = 13;  // no such month
    g_bTziKoreaLoaded = true;
    EXPECT_EQ(NTime::FormatServerTime(kJuneFirst, true, NTime::kCodeDateTime, m_strOut),
              NFormatTimeResult::ZoneConversionFailed);
    EXPECT_EQ(Narrow(m_strOut.GetText()), "previous");
}

}  // namespace
