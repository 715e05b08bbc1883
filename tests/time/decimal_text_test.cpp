#include "time/decimal_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

TEST(DecimalTextTest, ReadsLikeStrtoll) {
    const std::pair<std::u16string, int64_t> cases[] = {
        {u"", 0},
        {u"abc", 0},
        {u"-", 0},
        {u"+-5", 0},
        {u"- 5", 0},
        {u"0", 0},
        {u"42", 42},
        {u"  \t\n\v\f\r42", 42},
        {u"+7", 7},
        {u"-7", -7},
        {u"0012ab34", 12},
        {u"123456789 ", 123456789},
        {u"\u00a0"
         u"5",
         0},  // not white space in the C locale
        {u"9223372036854775807", kMax},
        {u"9223372036854775808", kMax},
        {u"99999999999999999999999", kMax},
        {u"-9223372036854775808", kMin},
        {u"-9223372036854775809", kMin},
        {u"-99999999999999999999999", kMin},
        {u"18446744073709551616", kMax},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(NTime::ReadDecimal(text), expected) << std::string(text.begin(), text.end());
    }
}

}  // namespace
