#include "json/json_compact_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NEscapeCase {
    const char* pszName;
    std::string strValue;
    std::string strQuoted;
};

class JsonCompactWriterEscapeTest : public testing::TestWithParam<NEscapeCase> {};

TEST_P(JsonCompactWriterEscapeTest, WritesStringByteForByte) {
    const NEscapeCase& param = GetParam();
    EXPECT_EQ(NJsonCompactWriter::Write(Json::Value(param.strValue)), param.strQuoted);
}

TEST_P(JsonCompactWriterEscapeTest, WritesKeyLikeString) {
    const NEscapeCase& param = GetParam();
    Json::Value object;
    object[param.strValue] = "v";
    EXPECT_EQ(NJsonCompactWriter::Write(object), "{" + param.strQuoted + ":\"v\"}");
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, JsonCompactWriterEscapeTest,
    testing::Values(
        NEscapeCase{"Quote", "\"", R"("\"")"}, NEscapeCase{"ReverseSolidus", "\\", R"("\\")"},
        NEscapeCase{"Backspace", "\b", R"("\b")"}, NEscapeCase{"FormFeed", "\f", R"("\f")"},
        NEscapeCase{"LineFeed", "\n", R"("\n")"}, NEscapeCase{"CarriageReturn", "\r", R"("\r")"},
        NEscapeCase{"Tab", "\t", R"("\t")"}, NEscapeCase{"Byte01", "\x01", R"("\u0001")"},
        NEscapeCase{"Byte0B", "\x0b", R"("\u000B")"}, NEscapeCase{"Byte1A", "\x1a", R"("\u001A")"},
        NEscapeCase{"Byte1F", "\x1f", R"("\u001F")"}, NEscapeCase{"Delete", "\x7f", "\"\x7f\""},
        NEscapeCase{"Solidus", "/", R"("/")"},
        NEscapeCase{"Korean", "\xed\x95\x9c\xea\xb5\xad", "\"\xed\x95\x9c\xea\xb5\xad\""},
        NEscapeCase{"AboveBmp", "\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},
        // An escaped reverse solidus before "u00ab" is no \u escape.
        NEscapeCase{"TextThatLooksLikeEscape", "\\u00ab", R"("\\u00ab")"},
        NEscapeCase{"Mixed", "a\x1f\\\x1e/z", R"("a\u001F\\\u001E/z")"}),
    [](const testing::TestParamInfo<NEscapeCase>& caseInfo) { return caseInfo.param.pszName; });

TEST(JsonCompactWriterTest, OrdersMembersByKeyBytes) {
    Json::Value object;
    object["b"] = "2";
    object["\xed\x95\x9c"] = "3";  // lead byte above 0x7F sorts last
    object["B"] = "1";
    object["a"] = "0";
    EXPECT_EQ(NJsonCompactWriter::Write(object),
              "{\"B\":\"1\",\"a\":\"0\",\"b\":\"2\",\"\xed\x95\x9c\":\"3\"}");
}

TEST(JsonCompactWriterTest, WritesEveryKindCompactly) {
    Json::Value object;
    object["array"].append(1);
    object["array"].append("x");
    object["empty"] = Json::Value(Json::objectValue);
    object["flag"] = true;
    object["none"] = Json::Value();
    object["number"] = -7;
    EXPECT_EQ(NJsonCompactWriter::Write(object),
              R"({"array":[1,"x"],"empty":{},"flag":true,"none":null,"number":-7})");
}

TEST(JsonCompactWriterTest, WritesNullValueAsNull) {
    EXPECT_EQ(NJsonCompactWriter::Write(Json::Value()), "null");
}

}  // namespace
