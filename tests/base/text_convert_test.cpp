#include "base/text_convert.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

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
    EXPECT_EQ(WideToMulti(nullptr, CP_UTF8), nullptr);
    EXPECT_EQ(MultiToWide(nullptr, CP_UTF8), nullptr);
    EXPECT_EQ(WideToMulti(u"a", 1252), nullptr);
    EXPECT_EQ(MultiToWide("a", 1252), nullptr);
}

TEST(TextConvertTest, ValidTextRoundTripsInBothCodePages) {
    const std::u16string texts[] = {u"abc", u"2015-06-01 09:30:00", u"한국 표준시", u"\u00C4\u00DF",
                                    u"\U0001F600 and \U0010FFFF", u"\u07FF\u0800\uFFFD"};
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

TEST(TextConvertTest, InvalidUtf8BecomesReplacementCharacterWithoutCuttingTheRest) {
    struct Case {
        std::string input;
        std::u16string expected;
    };
    const Case cases[] = {
        {"a\x80z", u"a\uFFFDz"},                 // lone continuation byte
        {"a\xC3", u"a\uFFFD"},                   // truncated two-byte sequence at the end
        {"\xC0\xAF", u"\uFFFD\uFFFD"},           // overlong '/'
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},  // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xE2\x82x", u"\uFFFDx"},               // broken sequence, next byte kept
        {"\xFF\xFE", u"\uFFFD\uFFFD"},
        {"\xF0\x9F\x98", u"\uFFFD"},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(ToWide(test.input), test.expected) << test.input;
    }
}

}  // namespace
