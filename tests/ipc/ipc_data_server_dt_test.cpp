#include "ipc/ipc_data_server_dt.h"

#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/value.h>

#include <memory>
#include <string>

#include "base/text_convert.h"
#include "json/json_serializer.h"

namespace {

using QR6::TS::LIB::NIpcData_ServerDT;

std::u16string Text(const NString& text) { return text.GetText(); }

std::u16string SerializeRecord(NIpcData_ServerDT& record) {
    NString output;
    EXPECT_EQ(NJsonSerializer::SerializeW(&record, output), 1);
    return Text(output);
}

TEST(IpcDataServerDtTest, SerializesExampleExactly) {
    NIpcData_ServerDT record;
    record.ServerTime.Assign(u"2015-06-01 09:30:00");
    record.AtGetTickCount.Assign(u"123456789");
    const std::u16string text = SerializeRecord(record);
    EXPECT_EQ(text, uR"({"AtGetTickCount":"123456789","ServerTime":"2015-06-01 09:30:00"})");
    EXPECT_EQ(text.size(), 65u);
}

TEST(IpcDataServerDtTest, SerializesEmptyFieldsAsEmptyStrings) {
    NIpcData_ServerDT record;
    const std::u16string text = SerializeRecord(record);
    EXPECT_EQ(text, uR"({"AtGetTickCount":"","ServerTime":""})");
    EXPECT_EQ(text.size(), 37u);
}

TEST(IpcDataServerDtTest, SerializesZeroTickAsString) {
    NIpcData_ServerDT record;
    record.AtGetTickCount.Assign(u"0");
    EXPECT_EQ(SerializeRecord(record), uR"({"AtGetTickCount":"0","ServerTime":""})");
}

TEST(IpcDataServerDtTest, SerializeWritesBothMembersAsStrings) {
    NIpcData_ServerDT record;
    record.ServerTime.Assign(u"2015-06-01 09:30:00");
    record.AtGetTickCount.Assign(u"42");
    Json::Value value;
    EXPECT_EQ(record.Serialize(value), 1);
    EXPECT_EQ(value.size(), 2u);
    EXPECT_EQ(value["ServerTime"], Json::Value("2015-06-01 09:30:00"));
    EXPECT_EQ(value["AtGetTickCount"], Json::Value("42"));
}

Json::Value Object(const char* serverTime, const Json::Value& atGetTickCount) {
    Json::Value value;
    value["ServerTime"] = serverTime;
    if (!atGetTickCount.isNull()) {
        value["AtGetTickCount"] = atGetTickCount;
    }
    return value;
}

// Deserialize always assigns both fields; a member that is absent or not a
// string empties its field.
TEST(IpcDataServerDtTest, DeserializeAssignsBothFields) {
    struct NCase {
        const char* pszName;
        Json::Value value;
        const char16_t* pszServerTime;
        const char16_t* pszAtGetTickCount;
    };
    const NCase cases[] = {
        {"both strings", Object("2015-06-01 09:30:00", "7"), u"2015-06-01 09:30:00", u"7"},
        {"tick absent", Object("2015-06-01 09:30:00", Json::Value()), u"2015-06-01 09:30:00", u""},
        {"tick a number", Object("2015-06-01 09:30:00", 123456789), u"2015-06-01 09:30:00", u""},
        {"not an object", Json::Value("2015-06-01 09:30:00"), u"", u""},
    };
    for (const NCase& test : cases) {
        SCOPED_TRACE(test.pszName);
        NIpcData_ServerDT record;
        record.ServerTime.Assign(u"old");
        record.AtGetTickCount.Assign(u"42");
        Json::Value value = test.value;
        EXPECT_EQ(record.Deserialize(value), 1);
        EXPECT_EQ(Text(record.ServerTime), test.pszServerTime);
        EXPECT_EQ(Text(record.AtGetTickCount), test.pszAtGetTickCount);
    }
}

TEST(IpcDataServerDtTest, RoundTripKeepsBothTexts) {
    NIpcData_ServerDT written;
    written.ServerTime.Assign(u"2015년 06월 01일 \U0001F552 \"09:30\"");
    written.AtGetTickCount.Assign(u"18446744073709551615");
    const std::string text = NUtf::ToUtf8(SerializeRecord(written));

    Json::Value value;
    std::string strErrors;
    const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    ASSERT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &strErrors))
        << strErrors;
    NIpcData_ServerDT read;
    ASSERT_EQ(read.Deserialize(value), 1);
    EXPECT_EQ(Text(read.ServerTime), Text(written.ServerTime));
    EXPECT_EQ(Text(read.AtGetTickCount), Text(written.AtGetTickCount));
}

}  // namespace
