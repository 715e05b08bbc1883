// The publisher with a serializer that fails every record, beside the IPC
// library double: nothing is written, nothing is signalled, and the failure
// is logged at level 0 (FATAL).
//
// This test's own definitions of the serializer's functions stand in for
// the real ones, which the linker then leaves out of the json library.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "agent/publisher.h"
#include "ipc/ipc_data_server_dt.h"
#include "json/json_serializer.h"
#include "tests/agent/publisher_double_fixture.h"

namespace {

// The record that the publisher last handed to the serializer.
QR6::TS::LIB::NIpcData_ServerDT g_lastRecord;

}  // namespace

int NJsonSerializer::SerializeW(NJsonSerializable* record, NString& /*output*/) {
    if (const auto* serverTime = dynamic_cast<QR6::TS::LIB::NIpcData_ServerDT*>(record)) {
        g_lastRecord = *serverTime;
    }
    return 0;
}

// The record's own serialization, never reached here.
void NJsonSerializer::SetString(Json::Value& /*value*/, const char16_t* /*key*/,
                                const NString& /*field*/) {}

NString NJsonSerializer::GetString(Json::Value& /*value*/, const char16_t* /*key*/) {
    return NString();
}

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using PublisherSerializerFailureTest = NPublisherDoubleFixture;

TEST_F(PublisherSerializerFailureTest, NothingIsWrittenOrSignalledAndTheFailureIsLoggedAtLevel0) {
    for (const int32_t mini : {0, 1}) {
        SCOPED_TRACE(mini);
        g_bMiniMode = mini;
        m_llTick += 1000;
        g_lastRecord = QR6::TS::LIB::NIpcData_ServerDT();
        q6tsa::Send_Time_tick(m_pEvent.get());
        EXPECT_EQ(std::u16string(g_lastRecord.ServerTime.GetText()),
                  mini == 0 ? u"2015-06-01 09:30:01" : u"2015-06-01 09:30:02");
        EXPECT_EQ(std::u16string(g_lastRecord.AtGetTickCount.GetText()),
                  mini == 0 ? u"1000" : u"2000");
        EXPECT_THAT(TakeCalls(), IsEmpty());
        EXPECT_FALSE(IsSignalled());
        EXPECT_THAT(
            m_log.TakeLines(),
            ElementsAre("[FATAL] q6tsa::Send_Time_tick: NJsonSerializer::SerializeW() error."));
    }
}

}  // namespace
