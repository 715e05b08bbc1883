// The verdict on a record's age, the age of a record's tick, and the
// monitoring plugin's line.

#include "tools/q6ipc/publication_status.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "tools/q6ipc/plugin_check.h"

namespace {

using NQ6Ipc::NVerdict;

TEST(JudgeAgeTest, PublishingFromNoAgeToOnePeriodAndTheMargin) {
    struct NCase {
        int64_t nAgeMs;
        NVerdict eVerdict;
    };
    const std::vector<NCase> cases = {
        {0, NVerdict::Publishing},
        {30000, NVerdict::Publishing},
        {35000, NVerdict::Publishing},
        {35001, NVerdict::Stale},
        {60000, NVerdict::Stale},
        {-1, NVerdict::Stale},  // a tick ahead of the machine's
        {std::numeric_limits<int64_t>::max(), NVerdict::Stale},
        {std::numeric_limits<int64_t>::min(), NVerdict::Stale},
    };
    for (const NCase& test : cases) {
        EXPECT_EQ(NQ6Ipc::JudgeAge(test.nAgeMs), test.eVerdict) << test.nAgeMs;
    }
}

TEST(AgeOfTest, TheMillisecondsFromTheTickToNowSignedAndBounded) {
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    constexpr int64_t kLongest = std::numeric_limits<int64_t>::max();
    struct NCase {
        uint64_t nTick;
        uint64_t nNow;
        int64_t nAgeMs;
    };
    const std::vector<NCase> cases = {
        {1000, 1000, 0},     {1000, 36000, 35000}, {36000, 1000, -35000},
        {0, kMax, kLongest}, {kMax, 0, -kLongest}, {kMax, kMax - 1, -1},
    };
    for (const NCase& test : cases) {
        EXPECT_EQ(NQ6Ipc::AgeOf(test.nTick, test.nNow), test.nAgeMs)
            << test.nTick << " " << test.nNow;
    }
}

}  // namespace

namespace {

// What a record or a reason holds cannot break the plugin's one line or
// start its performance data.
TEST(PluginLineTest, TheLineIsOneLineWithoutAStrayBar) {
    NQ6Ipc::NPublicationStatus status;
    status.eVerdict = NVerdict::BadRecord;
    status.strReason = "a|b\nc\rd";
    EXPECT_EQ(NQ6Ipc::PluginLine(status, {}), "Q6TSA CRITICAL - bad record (a b c d)\n");
    status.eVerdict = NVerdict::Publishing;
    status.strReason.clear();
    status.nAgeMs = 1500;
    status.strServerTime = "2015-06-01 09:30:01";
    EXPECT_EQ(NQ6Ipc::PluginLine(status, {}),
              "Q6TSA OK - publishing, record 1500 ms old, server time 2015-06-01 09:30:01"
              "|age=1500ms;35000;65000;0\n");
}

}  // namespace
