// The reader's server time: the record's anchor, carried forward with this
// machine's tick, and read again whenever another record is published. The
// reader loads the qxipcdll.dll copied beside this test, apart from the one
// the test writes with.

#include "libq6time/server_time_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ipcdrv/qxipcdll.h"
#include "os/tick_source.h"
#include "tests/libq6time/record_publisher.h"
#include "tests/support/object_namespace.h"
#include "tests/support/test_constants.h"

namespace {

using NQ6Time::NServerTimeAnchor;
using ::testing::HasSubstr;

using NRecordPublisher::k20150601093000;
using NRecordPublisher::k20200229235959;
using NRecordPublisher::Record;
using NTestConstants::kSlot;

TEST(ReadAnchorTest, TakesTheRecordsTimeAndTickOrSaysWhyNot) {
    struct NCase {
        std::string strText;
        bool bValid;
        NServerTimeAnchor anchor;
    };
    const std::vector<NCase> cases = {
        {Record("2015-06-01 09:30:00", "7447650"), true, {k20150601093000, 7447650}},
        {Record("2020-02-29 23:59:59", "0"), true, {k20200229235959, 0}},
        {"{\"ServerTime\":\"2015-06-01 09:30:00\",\"AtGetTickCount\":\"5\"}",
         true,
         {k20150601093000, 5}},
        {Record("1969-12-31 11:59:59", "1"), false, {}},
        {Record("2015-06-01 09:30", "1"), false, {}},
        {Record("2015-06-01 09:30:00", ""), false, {}},
        {Record("2015-06-01 09:30:00", "-1"), false, {}},
        {Record("2015-06-01 09:30:00", "12a"), false, {}},
        {"{\"ServerTime\":\"2015-06-01 09:30:00\"}", false, {}},
        {"[\"2015-06-01 09:30:00\",\"1\"]", false, {}},
        {"{\"AtGetTickCount\":\"1\",\"ServerTime\":", false, {}},
        {"", false, {}},
    };
    for (const NCase& test : cases) {
        const auto anchor = NQ6Time::ReadAnchor(test.strText);
        ASSERT_EQ(static_cast<bool>(anchor), test.bValid) << test.strText;
        if (anchor) {
            EXPECT_EQ(anchor.Value().nServerTime, test.anchor.nServerTime) << test.strText;
            EXPECT_EQ(anchor.Value().nTick, test.anchor.nTick) << test.strText;
        } else {
            EXPECT_FALSE(anchor.Error().Message().empty()) << test.strText;
        }
    }
}

class ServerTimeReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root: only root writes the slots it reads";
        }
        ASSERT_EQ(fnLoadIpcDriver(), 1);
    }

    void Publish(const std::string& serverTime, uint64_t elapsedMs) {
        m_publisher.Publish(serverTime, elapsedMs);
    }

    void ExpectNow(NQ6Time::NServerTimeReader& reader, uint64_t anchor, uint64_t elapsedMs) const {
        const NOs::NTextResult<uint64_t> now = reader.Now();
        ASSERT_TRUE(now) << now.Error().Message();
        m_publisher.ExpectCarried(now.Value(), anchor, elapsedMs);
    }

    NObjectNamespace m_namespace;
    NRecordPublisher::NPublisher m_publisher;
};

TEST_F(ServerTimeReaderTest, FollowsEveryNewRecordAndTheTickInBetween) {
    NQ6Time::NServerTimeReader reader(kSlot);
    Publish("2015-06-01 09:30:00", 5000);
    ExpectNow(reader, k20150601093000, 5000);
    ExpectNow(reader, k20150601093000, 5000);

    // A record of the same size, so that only the stamp tells them apart.
    Publish("2020-02-29 23:59:59", 5000);
    ExpectNow(reader, k20200229235959, 5000);
    Publish("2015-06-01 09:30:00", 70000);
    ExpectNow(reader, k20150601093000, 70000);
}

TEST_F(ServerTimeReaderTest, SaysWhyWhenThereIsNoRecordToRead) {
    NQ6Time::NServerTimeReader reader(kSlot);
    NOs::NTextResult<uint64_t> now = reader.Now();
    ASSERT_FALSE(now);
    EXPECT_THAT(now.Error().Message(), HasSubstr("missing"));

    Publish("2015-06-01 09:30:00", 0);
    ASSERT_TRUE(reader.Now());
    ASSERT_EQ(fnDeleteData(kSlot), 1);
    now = reader.Now();
    ASSERT_FALSE(now);
    EXPECT_THAT(now.Error().Message(), HasSubstr("missing"));

    NRecordPublisher::PublishText("{}");
    now = reader.Now();
    ASSERT_FALSE(now);
    EXPECT_THAT(now.Error().Message(), HasSubstr("record"));
}

}  // namespace
