#include "base/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

TEST(FormatTest, DirectivesUsedByTheSystem) {
    struct Case {
        std::u16string actual;
        std::u16string expected;
    };
    const Case cases[] = {
        {NFormat::ToString(u"%4.4d-%2.2d-%2.2d %2.2d:%2.2d:%2.2d", 2015, 6, 1, 9, 30, 0),
         u"2015-06-01 09:30:00"},
        {NFormat::ToString(u"%4.4d", 601), u"0601"},
        {NFormat::ToString(u"%4.4d", 12345), u"12345"},
        {NFormat::ToString(u"%I64u", UINT64_MAX), u"18446744073709551615"},
        {NFormat::ToString(u"%I64u", uint64_t{0}), u"0"},
        {NFormat::ToString(u"S-%lu-", 1), u"S-1-"},
        {NFormat::ToString(u"%lu", 4294967295u), u"4294967295"},
        {NFormat::ToString(u"0x%02hx%02hx", 0xAB, 0x5), u"0xab05"},
        {NFormat::ToString(u"%02hx|%02hx", 0x1FFFF, 0x1FF), u"ffff|1ff"},  // h cuts to 16 bits
        {NFormat::ToString(u"%s/qxipcdll.dll", u"/opt/q6"), u"/opt/q6/qxipcdll.dll"},
        {NFormat::ToString(u"(code: %d)", -5), u"(code: -5)"},
        {NFormat::ToString(u"100%%"), u"100%"},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(test.actual, test.expected);
    }
}

TEST(FormatTest, FlagsWidthAndPrecision) {
    struct Case {
        std::u16string actual;
        std::u16string expected;
    };
    const Case cases[] = {
        {NFormat::ToString(u"[%5d]", 42), u"[   42]"},
        {NFormat::ToString(u"[%-5d]", 42), u"[42   ]"},
        {NFormat::ToString(u"[%05d]", -42), u"[-0042]"},
        {NFormat::ToString(u"[%+d|% d]", 7, 7), u"[+7| 7]"},
        {NFormat::ToString(u"[%08.3d]", 7), u"[00000007]"},  // a precision keeps zero padding
        {NFormat::ToString(u"[%.0d]", 0), u"[]"},
        {NFormat::ToString(u"[%#x|%#X|%#o|%#x]", 255, 255, 8, 0), u"[0xff|0XFF|010|0]"},
        {NFormat::ToString(u"[%#.0o|%#.4o|%#o]", 0, 8, 0), u"[|0010|0]"},  // one leading 0
        {NFormat::ToString(u"[%-6.3d|%6.3x]", -5, 255), u"[-005  |   0ff]"},
        {NFormat::ToString(u"[%*d|%-*d]", 4, 1, 3, 2), u"[   1|2  ]"},
        {NFormat::ToString(u"[%*d]", -4, 1), u"[1   ]"},
        {NFormat::ToString(u"[%.*s]", 2, u"abcdef"), u"[ab]"},
        {NFormat::ToString(u"[%6s|%-6s]", u"ab", u"cd"), u"[    ab|cd    ]"},
        {NFormat::ToString(u"[%c%c]", u'O', 0x4B), u"[OK]"},
        {NFormat::ToString(u"[%3c]", u'x'), u"[  x]"},
        {NFormat::ToString(u"[%s]", static_cast<const char16_t*>(nullptr)), u"[(null)]"},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(test.actual, test.expected) << Narrow(test.expected);
    }
}

// What _snwprintf of msvcrt and ucrtbase wrote on Wine.
TEST(FormatTest, ZeroFlagAndPrecisionAsTheMicrosoftRuntime) {
    struct Case {
        std::u16string actual;
        std::u16string expected;
    };
    const Case cases[] = {
        // The '0' flag pads texts and characters with zeros too.
        {NFormat::ToString(u"[%05s]", u"ab"), u"[000ab]"},
        {NFormat::ToString(u"[%-05s]", u"ab"), u"[ab   ]"},
        {NFormat::ToString(u"[%05.1s]", u"ab"), u"[0000a]"},
        {NFormat::ToString(u"[%018s]", static_cast<const char16_t*>(nullptr)),
         u"[000000000000(null)]"},
        {NFormat::ToString(u"[%05c]", u'A'), u"[0000A]"},
        // A precision does not turn zero padding off.
        {NFormat::ToString(u"[%05.0d]", 0), u"[00000]"},
        {NFormat::ToString(u"[%#08.3x]", 1), u"[0x000001]"},
        {NFormat::ToString(u"[%+010.4d]", 42), u"[+000000042]"},
        {NFormat::ToString(u"[%0*.*x]", 6, 3, 255), u"[0000ff]"},
        {NFormat::ToString(u"[%-08.3d]", 7), u"[007     ]"},
        {NFormat::ToString(u"[%0*d]", -6, 5), u"[5     ]"},
        // A character is a text of one unit: a precision of 0 leaves it out.
        {NFormat::ToString(u"[%.0c]", u'A'), u"[]"},
        {NFormat::ToString(u"[%.*c]", 0, u'A'), u"[]"},
        {NFormat::ToString(u"[%5.0c]", u'A'), u"[     ]"},
        {NFormat::ToString(u"[%-3.0c]", u'A'), u"[   ]"},
        {NFormat::ToString(u"[%05.0c]", u'A'), u"[00000]"},
        {NFormat::ToString(u"[%.1c]", u'A'), u"[A]"},
        // The alternate octal form prefixes a 0 to values other than 0 only.
        {NFormat::ToString(u"[%#.0o]", 0), u"[]"},
        {NFormat::ToString(u"[%#5.0o]", 0), u"[     ]"},
        {NFormat::ToString(u"[%#o]", 0), u"[0]"},
        {NFormat::ToString(u"[%#.3o]", 8), u"[010]"},
        {NFormat::ToString(u"[%#05o]", 8), u"[00010]"},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(test.actual, test.expected) << Narrow(test.expected);
    }
}

TEST(FormatTest, LengthModifiersCutAndExtendLikeWindows) {
    struct Case {
        std::u16string actual;
        std::u16string expected;
    };
    const Case cases[] = {
        {NFormat::ToString(u"%d", int64_t{0x100000001}), u"1"},  // no modifier: 32 bits
        {NFormat::ToString(u"%ld", int64_t{-1}), u"-1"},
        {NFormat::ToString(u"%lu", int64_t{-1}), u"4294967295"},  // l is 32 bits
        {NFormat::ToString(u"%lld", INT64_MIN), u"-9223372036854775808"},
        {NFormat::ToString(u"%I64d", INT64_MIN), u"-9223372036854775808"},
        {NFormat::ToString(u"%llx", uint64_t{0xDEADBEEF12345678}), u"deadbeef12345678"},
        {NFormat::ToString(u"%zu", size_t{1} << 40), u"1099511627776"},
        {NFormat::ToString(u"%hd", 0x18000), u"-32768"},
        {NFormat::ToString(u"%hhu|%hhd", 0x1FF, 0xFF), u"255|-1"},  // documented; Wine reads h
        {NFormat::ToString(u"%u", -1), u"4294967295"},
        {NFormat::ToString(u"%X", 0xABCDEFu), u"ABCDEF"},
        {NFormat::ToString(u"%o", 8), u"10"},
        // The longest digit strings of each base.
        {NFormat::ToString(u"%llo", UINT64_MAX), u"1777777777777777777777"},
        {NFormat::ToString(u"%I64u", UINT64_MAX), u"18446744073709551615"},
        {NFormat::ToString(u"%llX", UINT64_MAX), u"FFFFFFFFFFFFFFFF"},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(test.actual, test.expected) << Narrow(test.expected);
    }
}

TEST(FormatTest, WrongOrMissingArgumentsLeaveTheDirective) {
    EXPECT_EQ(NFormat::ToString(u"a %s b", 5), u"a %s b");
    EXPECT_EQ(NFormat::ToString(u"a %d b", u"text"), u"a %d b");
    EXPECT_EQ(NFormat::ToString(u"%d and %d", 1), u"1 and %d");
    EXPECT_EQ(NFormat::ToString(u"%*d", u"w", 3), u"%*d");
    EXPECT_EQ(NFormat::ToString(u"%q %"), u"%q %");
    EXPECT_EQ(NFormat::ToString(nullptr), u"");
}

TEST(FormatTest, ArgumentTextIsNeverReadAsFormat) {
    EXPECT_EQ(NFormat::ToString(u"path %s", u"/tmp/%s%d%n"), u"path /tmp/%s%d%n");
}

TEST(FormatTest, BufferIsCutAndTerminatedNeverOverrun) {
    char16_t buffer[8];
    buffer[7] = u'#';
    const size_t written = NFormat::Print(buffer, 7, u"%s-%d", u"abcdef", 12345);
    EXPECT_EQ(written, 6u);
    EXPECT_EQ(std::u16string(buffer), u"abcdef");
    EXPECT_EQ(buffer[7], u'#');

    EXPECT_EQ(NFormat::Print(buffer, 1, u"abc"), 0u);
    EXPECT_EQ(buffer[0], u'\0');

    buffer[0] = u'#';
    EXPECT_EQ(NFormat::Print(buffer, 0, u"abc"), 0u);
    EXPECT_EQ(buffer[0], u'#');

    const std::u16string exact = u"1234567";
    EXPECT_EQ(NFormat::Print(buffer, 8, u"%s", exact.c_str()), 7u);
    EXPECT_EQ(std::u16string(buffer), exact);
}

TEST(FormatTest, CutNeverSplitsASurrogatePair) {
    char16_t buffer[4];
    EXPECT_EQ(NFormat::Print(buffer, 4, u"ab\U0001F600"), 2u);
    EXPECT_EQ(std::u16string(buffer), u"ab");
    EXPECT_EQ(NFormat::Print(buffer, 4, u"a\U0001F600"), 3u);
    EXPECT_EQ(std::u16string(buffer), u"a\U0001F600");
}

TEST(FormatTest, HugeWidthIsClampedAndBufferStaysBounded) {
    char16_t buffer[16];
    EXPECT_EQ(NFormat::Print(buffer, 16, u"%2147483647d", 1), 15u);
    EXPECT_EQ(NFormat::ToString(u"%*d", 1 << 30, 1).size(), size_t{1} << 20);
}

}  // namespace
