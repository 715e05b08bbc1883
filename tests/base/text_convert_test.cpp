#include "base/text_convert.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/code_page.h"
#include "tests/support/windows_build.h"

namespace {

using NWin::CP_ACP;
using NWin::CP_UTF8;

std::string ToMulti(const std::u16string& text, uint32_t codePage = CP_UTF8) {
    const std::unique_ptr<char, decltype(&std::free)> result(WideToMulti(text.c_str(), codePage),
                                                             &std::free);
    EXPECT_NE(result, nullptr);
    return result ? std::string(result.get()) : std::string();
}

std::u16string ToWide(const std::string& text, uint32_t codePage = CP_UTF8) {
    const std::unique_ptr<char16_t, decltype(&std::free)> result(
        MultiToWide(text.c_str(), codePage), &std::free);
    EXPECT_NE(result, nullptr);
    return result ? std::u16string(result.get()) : std::u16string();
}

TEST(TextConvertTest, EmptyTextGivesAllocatedEmptyText) {
    EXPECT_EQ(ToMulti(u""), "");
    EXPECT_EQ(ToWide(""), u"");
}

TEST(TextConvertTest, NullTextOrUnknownCodePageGivesNull) {
    Q6_LINUX_ONLY("Windows knows code page 1252, the Linux stand-in only UTF-8");
    EXPECT_EQ(WideToMulti(nullptr, CP_UTF8), nullptr);
    EXPECT_EQ(MultiToWide(nullptr, CP_UTF8), nullptr);
    EXPECT_EQ(WideToMulti(u"a", 1252), nullptr);
    EXPECT_EQ(MultiToWide("a", 1252), nullptr);
}

TEST(TextConvertTest, ValidTextRoundTripsInBothCodePages) {
    Q6_LINUX_ONLY("the ANSI code page is UTF-8 only on Linux");
    const std::u16string texts[] = {
        u"abc",          u"2015-06-01 09:30:00",       u"한국 표준시",
        u"\u00C4\u00DF", u"\U0001F600 and \U0010FFFF", u"\u07FF\u0800\uFFFD"};
    for (const std::u16string& text : texts) {
        for (const uint32_t codePage : {CP_UTF8, CP_ACP}) {
            EXPECT_EQ(ToWide(ToMulti(text, codePage), codePage), text);
        }
    }
    EXPECT_EQ(ToWide("abc"), u"abc");
    EXPECT_EQ(ToMulti(u"한"), "\xED\x95\x9C");
    EXPECT_EQ(ToMulti(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(TextConvertTest, UnpairedSurrogatesBecomeReplacementCharacter) {
    struct Case {
        std::u16string input;
        std::string expected;
    };
    const std::string fffd = "\xEF\xBF\xBD";
    const Case cases[] = {
        {std::u16string(1, char16_t(0xD800)), fffd},
        {std::u16string(1, char16_t(0xDC00)) + u"a", fffd + "a"},
        {u"a" + std::u16string(1, char16_t(0xD83D)) + u"b", "a" + fffd + "b"},
        {std::u16string{char16_t(0xDC00), char16_t(0xD800)}, fffd + fffd},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(ToMulti(test.input), test.expected);
    }
}

// As Windows groups the bytes of a malformed sequence: a second byte out of
// its lead's range still belongs to it. The table holds on both builds.
TEST(TextConvertTest, InvalidUtf8BecomesReplacementCharacterWithoutCuttingTheRest) {
    struct Case {
        std::string input;
        std::u16string expected;
    };
    const Case cases[] = {
        {"a\x80z", u"a\uFFFDz"},                      // lone continuation byte
        {"a\xC3", u"a\uFFFD"},                        // truncated two-byte sequence at the end
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                // overlong '/'
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD"},            // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xF0\x8F\x8F\x41", u"\uFFFD\uFFFD\u0041"},  // overlong four-byte form
        {"\xE2\x82x", u"\uFFFDx"},                    // broken sequence, next byte kept
        {"\xFF\xFE", u"\uFFFD\uFFFD"},
        {"\xF0\x9F\x98", u"\uFFFD"},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(ToWide(test.input), test.expected) << test.input;
    }
}

// A sequence that the end of the text cuts short takes no byte that cannot
// continue it. (Wine's MultiByteToWideChar takes every byte up to the
// sequence's length, "\xE0A" giving a lone U+FFFD: a character lost.)
TEST(TextConvertTest, ACutSequenceLosesNoCharacterAfterIt) {
    EXPECT_EQ(NUtf::ToUtf16("\xE0\x41"), u"\uFFFD\u0041");
    EXPECT_EQ(NUtf::ToUtf16("x\xF1\x80\x41"), u"x\uFFFD\u0041");
}

// Our decoder, which Linux uses, groups malformed bytes as Windows does,
// wherever the text goes on after them.
TEST(TextConvertTest, TheDecoderAgreesWithWindowsOnMalformedText) {
    if (!kWindowsBuild) {
        GTEST_SKIP() << "compares our decoder with Windows' own conversion";
    }
    const unsigned char bytes[] = {0x41, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0,
                                   0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xED, 0xEF, 0xF0,
                                   0xF1, 0xF4, 0xF5, 0xF7, 0xF8, 0xFC, 0xFE, 0xFF};
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (size_t count = 1 + random() % 6; count > 0; --count) {
            text += static_cast<char>(bytes[random() % sizeof(bytes)]);
        }
        text += "AAA";  // no sequence cut by the end
        ASSERT_EQ(NUtf::ToUtf16(text), ToWide(text)) << testing::PrintToString(text);
    }
}

struct NPathCase {
    std::string strBytes;
    std::u16string strUnits;
};

// Bytes that are not UTF-8 become U+DC80..U+DCFF, one unit a byte, and come
// back as the same bytes; UTF-8 reads as UTF-8.
TEST(PathTextTest, PathsRoundTripExactlyWhateverTheirBytes) {
    const std::vector<NPathCase> cases = {
        {"/opt/q6tsa", u"/opt/q6tsa"},
        {"/opt/\xED\x95\x9C", u"/opt/\uD55C"},
        {"/x\xFFy", u"/x\xDCFFy"},
        {"\xC3", u"\xDCC3"},                      // a sequence cut short
        {"\xE2\x82z", u"\xDCE2\xDC82z"},          // cut short before another character
        {"\xC0\xAF", u"\xDCC0\xDCAF"},            // an overlong form
        {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},  // an encoded surrogate
        {"\xF0\x9F\x98\x80", u"\U0001F600"},      // a pair stays a pair
        {"\xF0\x9F\x98\x80\xFF", u"\U0001F600\xDCFF"},
        {"\xEF\xBF\xBD", u"\uFFFD"},  // a real U+FFFD is itself
    };
    for (const NPathCase& test : cases) {
        EXPECT_EQ(NUtf::PathToUtf16(test.strBytes), test.strUnits) << test.strBytes;
        EXPECT_EQ(NUtf::Utf16ToPath(test.strUnits), test.strBytes) << test.strBytes;
    }
}

// The same units shown to people: U+FFFD, never the bytes.
TEST(PathTextTest, EscapedBytesShowAsReplacementInText) {
    EXPECT_EQ(NUtf::ToUtf8(NUtf::PathToUtf16("/x\xFFy")), "/x\xEF\xBF\xBDy");
}

TEST(PathTextTest, OtherLoneSurrogatesNameNoFile) {
    for (const std::u16string& units :
         {std::u16string(u"/a\xD800"), std::u16string(u"\xDC7F"), std::u16string(u"\xDBFF/x")}) {
        EXPECT_EQ(NUtf::Utf16ToPath(units), std::nullopt);
    }
}

}  // namespace
