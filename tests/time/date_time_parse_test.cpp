#include "time/date_time_parse.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using NTime::ParseDateTime;

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

TEST(DateTimeParseTest, CountsSecondsSince1970InUniversalTime) {
    // Expected values as the C library's timegm gives them.
    const std::pair<std::u16string, int64_t> cases[] = {
        {u"1970-01-01 00:00:00", 0},
        {u"1970-01-01 00:00:01", 1},
        {u"2015-06-01 09:30:00", 1433151000},
        {u"2000-02-29 23:59:59", 951868799},
    };
    for (const auto& [text, seconds] : cases) {
        EXPECT_EQ(ParseDateTime(text), seconds) << Narrow(text);
    }
}

TEST(DateTimeParseTest, IgnoresTheMachineTimeZone) {
    const char* previous = std::getenv("TZ");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("TZ", "Asia/Seoul", 1);
    ::tzset();
    const int64_t seconds = ParseDateTime(u"1970-01-01 09:00:00");
    previous != nullptr ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
    EXPECT_EQ(seconds, 9 * 3600);
}

TEST(DateTimeParseTest, ReadsFieldsByPositionOnly) {
    const int64_t standard = ParseDateTime(u"2015-06-01 09:30:00");
    for (const std::u16string text : {u"2015/06/01T09:30:00", u"2015x06x01x09x30x00",
                                      u"2015-06-01 09:30:00", u"2015\u4e2d06\u4e2d01 09:30:00"}) {
        EXPECT_EQ(ParseDateTime(text), standard) << Narrow(text);
    }
}

TEST(DateTimeParseTest, CarriesFieldsBeyondTheirRange) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"2020-02-30 00:00:00", u"2020-03-01 00:00:00"},
        {u"2021-02-30 00:00:00", u"2021-03-02 00:00:00"},
        {u"2014-13-01 00:00:00", u"2015-01-01 00:00:00"},
        {u"2015-03-00 00:00:00", u"2015-02-28 00:00:00"},
        {u"2015-00-15 00:00:00", u"2014-12-15 00:00:00"},
        {u"2015-06-01 24:00:00", u"2015-06-02 00:00:00"},
        {u"2015-06-01 23:60:00", u"2015-06-02 00:00:00"},
        {u"2015-06-01 23:59:60", u"2015-06-02 00:00:00"},
        {u"2015-12-31 99:99:99", u"2016-01-04 04:40:39"},
        {u"2015--1-01 00:00:00", u"2014-11-01 00:00:00"},
        {u"2015-06- 2 0x:+1:-1", u"2015-06-02 00:00:59"},
        {u"2015-06-aa 00:00:00", u"2015-05-31 00:00:00"},
    };
    for (const auto& [text, canonical] : cases) {
        const int64_t expected = ParseDateTime(canonical);
        ASSERT_NE(expected, NTime::kInvalidDateTime) << Narrow(canonical);
        EXPECT_EQ(ParseDateTime(text), expected) << Narrow(text);
    }
}

TEST(DateTimeParseTest, AcceptsOnlyTheRangeOfTheConversion) {
    EXPECT_EQ(ParseDateTime(u"1969-12-31 12:00:00"), -43200);
    EXPECT_EQ(ParseDateTime(u"3001-01-01 20:59:59"), 32535291599);
    const std::u16string outside[] = {
        u"1969-12-31 11:59:59", u"3001-01-01 21:00:00", u"1601-01-01 00:00:00",
        u"9999-12-31 23:59:59", u"0000-01-01 00:00:00", u"-999-01-01 00:00:00",
        u"3000-12-31 45:00:00",
    };
    for (const std::u16string& text : outside) {
        EXPECT_EQ(ParseDateTime(text), NTime::kInvalidDateTime) << Narrow(text);
    }
}

TEST(DateTimeParseTest, RefusesTextsOfAnotherLength) {
    EXPECT_EQ(ParseDateTime(u"2015-06-01 09:30:0"), NTime::kInvalidDateTime);
    EXPECT_EQ(ParseDateTime(u"2015-06-01 09:30:000"), NTime::kInvalidDateTime);
    EXPECT_EQ(ParseDateTime(u""), NTime::kInvalidDateTime);
}

}  // namespace
