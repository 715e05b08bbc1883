// The reader's server time: the record's anchor, carried forward with this
// machine's tick, and read again whenever another record is published. The
// reader loads the qxipcdll.dll copied beside this test, apart from the one
// the test writes with.

#include "tools/q6ipc/server_time_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ipcdrv/qxipcdll.h"
#include "os/tick_source.h"
#include "tests/support/object_namespace.h"
#include "tests/support/test_constants.h"

namespace {

using NQ6Ipc::NServerTimeAnchor;

using NTestConstants::kSlot;
constexpr uint64_t kUnitsPerMs = 10000;
// 100-nanosecond units since 1601 of two instants, worked out by hand.
constexpr uint64_t k20150601093000 = 130776246000000000;  // 2015-06-01 09:30:00
constexpr uint64_t k20200229235959 = 132274943990000000;  // 2020-02-29 23:59:59

std::string Record(const std::string& serverTime, const std::string& tick) {
    return "{\"AtGetTickCount\":\"" + tick + "\",\"ServerTime\":\"" + serverTime + "\"}";
}

// The slot form of an ASCII text: UTF-16LE and a zero code unit.
std::string SlotBytes(const std::string& text) {
    std::string bytes;
    for (const char c : text) {
        bytes += c;
        bytes += '\0';
    }
    return bytes + std::string(2, '\0');
}

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
        std::string error;
        const auto anchor = NQ6Ipc::ReadAnchor(test.strText, error);
        ASSERT_EQ(anchor.has_value(), test.bValid) << test.strText;
        if (anchor) {
            EXPECT_EQ(anchor->nServerTime, test.anchor.nServerTime) << test.strText;
            EXPECT_EQ(anchor->nTick, test.anchor.nTick) << test.strText;
        } else {
            EXPECT_FALSE(error.empty()) << test.strText;
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

    // Publishes serverTime as it stood elapsedMs ago.
    void Publish(const std::string& serverTime, uint64_t elapsedMs) {
        m_llPublishedAt = NOs::GetTickCount64();
        const std::string bytes =
            SlotBytes(Record(serverTime, std::to_string(m_llPublishedAt - elapsedMs)));
        ASSERT_EQ(fnSetData(kSlot, bytes.data(), static_cast<uint32_t>(bytes.size())), 1);
    }

    // The reader's time now lies between anchor carried forward by elapsedMs
    // and by elapsedMs plus the time since the record was published.
    void ExpectNow(NQ6Ipc::NServerTimeReader& reader, uint64_t anchor, uint64_t elapsedMs) const {
        std::string error;
        const std::optional<uint64_t> now = reader.Now(error);
        const uint64_t after = NOs::GetTickCount64();
        ASSERT_TRUE(now.has_value()) << error;
        EXPECT_GE(*now, anchor + elapsedMs * kUnitsPerMs);
        EXPECT_LE(*now, anchor + (elapsedMs + after - m_llPublishedAt) * kUnitsPerMs);
    }

    NObjectNamespace m_namespace;
    uint64_t m_llPublishedAt = 0;
};

TEST_F(ServerTimeReaderTest, FollowsEveryNewRecordAndTheTickInBetween) {
    NQ6Ipc::NServerTimeReader reader(kSlot);
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
    NQ6Ipc::NServerTimeReader reader(kSlot);
    std::string error;
    EXPECT_FALSE(reader.Now(error).has_value());
    EXPECT_NE(error.find("missing"), std::string::npos) << error;

    Publish("2015-06-01 09:30:00", 0);
    ASSERT_TRUE(reader.Now(error).has_value());
    ASSERT_EQ(fnDeleteData(kSlot), 1);
    error.clear();
    EXPECT_FALSE(reader.Now(error).has_value());
    EXPECT_FALSE(error.empty());

    const std::string notARecord = SlotBytes("{}");
    ASSERT_EQ(fnSetData(kSlot, notARecord.data(), static_cast<uint32_t>(notARecord.size())), 1);
    error.clear();
    EXPECT_FALSE(reader.Now(error).has_value());
    EXPECT_NE(error.find("record"), std::string::npos) << error;
}

}  // namespace
