#include "base/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include "microsoft_runtime_format.h"
#endif

namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// A format, its arguments and the text that the Microsoft runtime writes.
struct NFormatCase {
    const char16_t* pszFormat;
    std::vector<NFormat::NArg> vecArgs;
    std::u16string strExpected;
    // Wine's runtime departs from the documented text (and is not checked).
    bool bWineDeparts = false;
};

// Each case through NFormat, and on the Windows build through the runtime
// itself too.
void ExpectFormats(const std::vector<NFormatCase>& cases) {
    for (const NFormatCase& test : cases) {
        EXPECT_EQ(NFormat::ToStringArgs(test.pszFormat, test.vecArgs.data(), test.vecArgs.size()),
                  test.strExpected)
            << Narrow(test.pszFormat);
#ifdef _WIN32
        if (!test.bWineDeparts) {
            EXPECT_EQ(MicrosoftRuntimeFormat(test.pszFormat, test.vecArgs), test.strExpected)
                << "msvcrt: " << Narrow(test.pszFormat);
        }
#endif
    }
}

TEST(FormatTest, DirectivesUsedByTheSystem) {
    ExpectFormats({
        {u"%4.4d-%2.2d-%2.2d %2.2d:%2.2d:%2.2d", {2015, 6, 1, 9, 30, 0}, u"2015-06-01 09:30:00"},
        {u"%4.4d", {601}, u"0601"},
        {u"%4.4d", {12345}, u"12345"},
        {u"%I64u", {UINT64_MAX}, u"18446744073709551615"},
        {u"%I64u", {uint64_t{0}}, u"0"},
        {u"S-%lu-", {1}, u"S-1-"},
        {u"%lu", {4294967295u}, u"4294967295"},
        {u"0x%02hx%02hx", {0xAB, 0x5}, u"0xab05"},
        {u"%02hx|%02hx", {0x1FFFF, 0x1FF}, u"ffff|1ff"},  // h cuts to 16 bits
        {u"%s/qxipcdll.dll", {u"/opt/q6"}, u"/opt/q6/qxipcdll.dll"},
        {u"(code: %d)", {-5}, u"(code: -5)"},
        {u"100%%", {}, u"100%"},
    });
}

TEST(FormatTest, FlagsWidthAndPrecision) {
    ExpectFormats({
        {u"[%5d]", {42}, u"[   42]"},
        {u"[%-5d]", {42}, u"[42   ]"},
        {u"[%05d]", {-42}, u"[-0042]"},
        {u"[%+d|% d]", {7, 7}, u"[+7| 7]"},
        {u"[%08.3d]", {7}, u"[     007]", true},  // a precision drops the '0' flag
        {u"[%.0d]", {0}, u"[]"},
        {u"[%#x|%#X|%#o|%#x]", {255, 255, 8, 0}, u"[0xff|0XFF|010|0]"},
        {u"[%#.0o|%#.4o|%#o]", {0, 8, 0}, u"[0|0010|0]", true},  // one leading 0
        {u"[%-6.3d|%6.3x]", {-5, 255}, u"[-005  |   0ff]"},
        {u"[%*d|%-*d]", {4, 1, 3, 2}, u"[   1|2  ]"},
        {u"[%*d]", {-4, 1}, u"[1   ]"},
        {u"[%.*s]", {2, u"abcdef"}, u"[ab]"},
        {u"[%6s|%-6s]", {u"ab", u"cd"}, u"[    ab|cd    ]"},
        {u"[%c%c]", {u'O', 0x4B}, u"[OK]"},
        {u"[%3c]", {u'x'}, u"[  x]"},
        {u"[%s]", {static_cast<const char16_t*>(nullptr)}, u"[(null)]"},
    });
}

TEST(FormatTest, ZeroFlagAndPrecisionAsTheMicrosoftRuntime) {
    ExpectFormats({
        // The '0' flag pads texts and characters with zeros too.
        {u"[%05s]", {u"ab"}, u"[000ab]"},
        {u"[%-05s]", {u"ab"}, u"[ab   ]"},
        {u"[%05.1s]", {u"ab"}, u"[0000a]"},
        {u"[%018s]", {static_cast<const char16_t*>(nullptr)}, u"[000000000000(null)]"},
        {u"[%05c]", {u'A'}, u"[0000A]"},
        // An integer conversion with a precision drops the '0' flag, as C
        // does; Wine's runtime keeps it.
        {u"[%05.0d]", {0}, u"[     ]", true},
        {u"[%#08.3x]", {1}, u"[   0x001]", true},
        {u"[%+010.4d]", {42}, u"[     +0042]", true},
        {u"[%0*.*x]", {6, 3, 255}, u"[   0ff]", true},
        {u"[%-08.3d]", {7}, u"[007     ]"},
        {u"[%0*d]", {-6, 5}, u"[5     ]"},
        {u"[%08d]", {7}, u"[00000007]"},
        // A character ignores the precision; Wine's runtime applies it.
        {u"[%.0c]", {u'A'}, u"[A]", true},
        {u"[%.*c]", {0, u'A'}, u"[A]", true},
        {u"[%5.0c]", {u'A'}, u"[    A]", true},
        {u"[%-3.0c]", {u'A'}, u"[A  ]", true},
        {u"[%05.0c]", {u'A'}, u"[0000A]", true},
        {u"[%.1c]", {u'A'}, u"[A]"},
        // The alternate octal form starts with a 0, also for 0 with a
        // precision of 0; Wine's runtime writes nothing then.
        {u"[%#.0o]", {0}, u"[0]", true},
        {u"[%#5.0o]", {0}, u"[    0]", true},
        {u"[%#o]", {0}, u"[0]"},
        {u"[%#.3o]", {8}, u"[010]"},
        {u"[%#05o]", {8}, u"[00010]"},
    });
}

TEST(FormatTest, LengthModifiersCutAndExtendLikeWindows) {
    ExpectFormats({
        {u"%d", {int64_t{0x100000001}}, u"1"},  // no modifier: 32 bits
        {u"%ld", {int64_t{-1}}, u"-1"},
        {u"%lu", {int64_t{-1}}, u"4294967295"},  // l is 32 bits
        {u"%lld", {INT64_MIN}, u"-9223372036854775808"},
        {u"%I64d", {INT64_MIN}, u"-9223372036854775808"},
        {u"%llx", {uint64_t{0xDEADBEEF12345678}}, u"deadbeef12345678"},
        {u"%zu", {size_t{1} << 40}, u"1099511627776"},
        {u"%hd", {0x18000}, u"-32768"},
        {u"%hhu|%hhd", {0x1FF, 0xFF}, u"255|-1", true},  // documented; Wine reads h
        {u"%u", {-1}, u"4294967295"},
        {u"%X", {0xABCDEFu}, u"ABCDEF"},
        {u"%o", {8}, u"10"},
        // The longest digit strings of each base.
        {u"%llo", {UINT64_MAX}, u"1777777777777777777777"},
        {u"%I64u", {UINT64_MAX}, u"18446744073709551615"},
        {u"%llX", {UINT64_MAX}, u"FFFFFFFFFFFFFFFF"},
    });
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
