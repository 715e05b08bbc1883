#include "base/nstring.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string TextOf(const NString& text) { return text.GetText(); }

TEST(NStringTest, NullAndEmptyGiveEmptyZeroTerminatedText) {
    const NString fromNull(nullptr);
    ASSERT_NE(fromNull.GetText(), nullptr);
    EXPECT_EQ(fromNull.GetText()[0], u'\0');
    EXPECT_EQ(fromNull.GetLength(), 0u);
    EXPECT_EQ(NString().GetLength(), 0u);
}

TEST(NStringTest, LengthCountsUtf16CodeUnits) {
    EXPECT_EQ(NString(u"abc").GetLength(), 3u);
    EXPECT_EQ(NString(u"\U0001F600").GetLength(), 2u);  // one character, a surrogate pair
    EXPECT_EQ(NString(u"한국").GetLength(), 2u);
}

TEST(NStringTest, TextStopsAtFirstZeroUnit) {
    const char16_t withZero[] = {u'a', u'b', u'\0', u'c', u'\0'};
    NString text(withZero);
    EXPECT_EQ(TextOf(text), u"ab");
    text.Assign(withZero);
    EXPECT_EQ(text.GetLength(), 2u);
    const NString copy(text);
    EXPECT_EQ(TextOf(copy), u"ab");
}

TEST(NStringTest, CopiesShareNoStorage) {
    NString original(u"server");
    {
        NString copy(original);
        copy.Append(u"-time");
        EXPECT_EQ(TextOf(copy), u"server-time");
    }
    EXPECT_EQ(TextOf(original), u"server");
    NString assigned;
    assigned = original;
    original.Assign(u"changed");
    EXPECT_EQ(TextOf(assigned), u"server");
}

TEST(NStringTest, FindReturnsFirstPositionOrNotFound) {
    struct Case {
        const char16_t* text;
        const char16_t* needle;
        uint32_t expected;
    };
    const Case cases[] = {
        {u"abcabc", u"bc", 1},
        {u"abc", u"", 0},
        {u"", u"", 0},
        {u"", u"a", NString::kNotFound},
        {u"abc", u"abcd", NString::kNotFound},
        {u"abc", u"B", NString::kNotFound},  // case matters
        {u"/opt/tessaro6_mini/bin", u"/tessaro6_mini", 4},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(NString(test.text).Find(test.needle), test.expected)
            << std::string(test.text, test.text + NString(test.text).GetLength());
    }
    EXPECT_EQ(NString(u"x").Find(u"y"), static_cast<uint32_t>(-1));
}

TEST(NStringTest, MakeLowerChangesOnlyAsciiCapitals) {
    NString path(u"C:\\Program Files\\Tessaro6_MINI\u00C4\u0130");
    path.MakeLower();
    EXPECT_EQ(TextOf(path), u"c:\\program files\\tessaro6_mini\u00C4\u0130");
}

TEST(NStringTest, AppendAndAssignOfOwnTextAreSafe) {
    NString text(u"abc");
    text.Append(text.GetText());
    EXPECT_EQ(TextOf(text), u"abcabc");

    NString tail(u"0123456789");
    tail.Assign(tail.GetText() + 4);
    EXPECT_EQ(TextOf(tail), u"456789");

    NString same(u"keep");
    same.Assign(same.GetText());
    EXPECT_EQ(TextOf(same), u"keep");
}

TEST(NStringTest, AppendGrowsPastInlineStorage) {
    NString text(u"0123456789");
    for (int round = 0; round < 6; ++round) {
        text.Append(text.GetText());
    }
    EXPECT_EQ(text.GetLength(), 640u);
    EXPECT_EQ(text.Find(u"90"), 9u);
}

}  // namespace
