#include "json/json_serializer.h"

#include <gtest/gtest.h>
#include <json/value.h>

#include <string>
#include <utility>
#include <vector>

#include "base/text_convert.h"
#include "json/json_serializable.h"

namespace {

using NMembers = std::vector<std::pair<NString, NString>>;

// A record that sets the given members in order and reports the given result.
class NTestRecord : public NJsonSerializable {
public:
    explicit NTestRecord(NMembers members, int nResult = 1)
        : m_vecMembers(std::move(members)), m_nResult(nResult) {}

    int Serialize(Json::Value& value) override {
        for (const auto& [key, field] : m_vecMembers) {
            NJsonSerializer::SetString(value, key.GetText(), field);
        }
        return m_nResult;
    }

private:
    NMembers m_vecMembers;
    int m_nResult;
};

// A record that misuses its value: member access on a number.
class NThrowingRecord : public NJsonSerializable {
public:
    int Serialize(Json::Value& value) override {
        value = 5;
        value["key"] = "text";
        return 1;
    }
};

std::u16string Text(const NString& text) { return text.GetText(); }

constexpr const char16_t* kUntouched = u"untouched";

TEST(JsonSerializerTest, FailingRecordsLeaveOutputUntouched) {
    NJsonSerializable plain;
    NTestRecord refusing(NMembers{{u"k", u"v"}}, 0);
    NThrowingRecord throwing;
    for (NJsonSerializable* record :
         {static_cast<NJsonSerializable*>(nullptr), &plain,
          static_cast<NJsonSerializable*>(&refusing), static_cast<NJsonSerializable*>(&throwing)}) {
        NString output(kUntouched);
        EXPECT_EQ(NJsonSerializer::SerializeW(record, output), 0);
        EXPECT_EQ(Text(output), kUntouched);
    }
}

TEST(JsonSerializerTest, PlainSerializableFailsBothWays) {
    NJsonSerializable plain;
    Json::Value value;
    EXPECT_EQ(plain.Serialize(value), 0);
    EXPECT_EQ(plain.Deserialize(value), 0);
}

TEST(JsonSerializerTest, RecordThatSetsNothingGivesNull) {
    NTestRecord record(NMembers{});
    NString output(kUntouched);
    ASSERT_EQ(NJsonSerializer::SerializeW(&record, output), 1);
    EXPECT_EQ(Text(output), u"null");
}

TEST(JsonSerializerTest, OrdersMembersByKeyWithoutWhiteSpace) {
    NTestRecord record(NMembers{{u"Zeta", u"1"}, {u"Alpha", u"2"}, {u"mid", u""}});
    NString output;
    ASSERT_EQ(NJsonSerializer::SerializeW(&record, output), 1);
    EXPECT_EQ(Text(output), uR"({"Alpha":"2","Zeta":"1","mid":""})");
}

TEST(JsonSerializerTest, SameKeyTwiceKeepsSecondValue) {
    NTestRecord record(NMembers{{u"k", u"first"}, {u"k", u"second"}});
    NString output;
    ASSERT_EQ(NJsonSerializer::SerializeW(&record, output), 1);
    EXPECT_EQ(Text(output), uR"({"k":"second"})");
}

TEST(JsonSerializerTest, ReplacesPreviousOutput) {
    NTestRecord record(NMembers{{u"k", u"v"}});
    NString output(kUntouched);
    ASSERT_EQ(NJsonSerializer::SerializeW(&record, output), 1);
    EXPECT_EQ(Text(output), uR"({"k":"v"})");
}

TEST(JsonSerializerTest, NonAsciiTextStaysRawAndComesBack) {
    const char16_t* const field = u"한국 \U0001F600 é";
    NTestRecord record(NMembers{{u"키", field}});
    NString output;
    ASSERT_EQ(NJsonSerializer::SerializeW(&record, output), 1);
    EXPECT_EQ(Text(output), std::u16string(u"{\"키\":\"") + field + u"\"}");

    Json::Value value;
    NJsonSerializer::SetString(value, u"키", field);
    EXPECT_EQ(value["\xed\x82\xa4"].asString(),
              "\xed\x95\x9c\xea\xb5\xad \xf0\x9f\x98\x80 \xc3\xa9");
    EXPECT_EQ(Text(NJsonSerializer::GetString(value, u"키")), field);
}

TEST(JsonSerializerTest, ControlCharactersAreEscapedInUtf16Text) {
    NTestRecord record(NMembers{{u"k", u"\"\\\b\f\n\r\t\x01\x1f\x7f/"}});
    NString output;
    ASSERT_EQ(NJsonSerializer::SerializeW(&record, output), 1);
    EXPECT_EQ(Text(output), u"{\"k\":\"\\\"\\\\\\b\\f\\n\\r\\t\\u0001\\u001F\x7f/\"}");
}

TEST(JsonSerializerTest, UnpairedSurrogateBecomesReplacementCharacter) {
    const char16_t field[] = {u'a', 0xD800, u'b', 0};
    NTestRecord record(NMembers{{u"k", field}});
    NString output;
    ASSERT_EQ(NJsonSerializer::SerializeW(&record, output), 1);
    EXPECT_EQ(Text(output), u"{\"k\":\"a\uFFFDb\"}");
}

TEST(JsonSerializerTest, SetStringWritesEveryFieldAsString) {
    Json::Value value;
    NJsonSerializer::SetString(value, u"digits", u"0");
    NJsonSerializer::SetString(value, u"empty", u"");
    ASSERT_TRUE(value.isObject());
    EXPECT_TRUE(value["digits"].isString());
    EXPECT_EQ(value["digits"].asString(), "0");
    EXPECT_TRUE(value["empty"].isString());
    EXPECT_EQ(value["empty"].asString(), "");
}

TEST(JsonSerializerTest, SetStringWithNullKeySetsNothing) {
    Json::Value value;
    NJsonSerializer::SetString(value, nullptr, u"text");
    EXPECT_TRUE(value.isNull());
}

TEST(JsonSerializerTest, SetStringOnNonObjectSetsNothing) {
    Json::Value array(Json::arrayValue);
    array.append(1);
    for (const Json::Value& original :
         {Json::Value("text"), Json::Value(5), Json::Value(true), array}) {
        Json::Value value = original;
        EXPECT_NO_THROW(NJsonSerializer::SetString(value, u"k", u"v"));
        EXPECT_EQ(value, original);
    }
}

TEST(JsonSerializerTest, GetStringReadsOnlyStringMembers) {
    Json::Value value;
    value["string"] = "5";
    value["empty"] = "";
    value["number"] = 5;
    value["boolean"] = true;
    value["null"] = Json::Value();
    value["array"].append("5");
    value["object"]["inner"] = "5";
    const Json::Value original = value;

    struct NCase {
        const char16_t* pszKey;
        const char16_t* pszExpected;
    };
    for (const NCase& test : {NCase{u"string", u"5"}, NCase{u"empty", u""}, NCase{u"number", u""},
                              NCase{u"boolean", u""}, NCase{u"null", u""}, NCase{u"array", u""},
                              NCase{u"object", u""}, NCase{u"absent", u""}}) {
        EXPECT_EQ(Text(NJsonSerializer::GetString(value, test.pszKey)), test.pszExpected)
            << std::string(NUtf::ToUtf8(test.pszKey));
    }
    EXPECT_EQ(Text(NJsonSerializer::GetString(value, nullptr)), u"");
    EXPECT_EQ(value, original);  // reading adds no members
}

TEST(JsonSerializerTest, GetStringOnNonObjectGivesEmptyText) {
    Json::Value array(Json::arrayValue);
    array.append("5");
    for (const Json::Value& original :
         {Json::Value(), Json::Value("5"), Json::Value(5), Json::Value(false), array}) {
        Json::Value value = original;
        NString result(kUntouched);
        EXPECT_NO_THROW(result = NJsonSerializer::GetString(value, u"k"));
        EXPECT_EQ(Text(result), u"");
        EXPECT_EQ(value, original);
    }
}

}  // namespace
