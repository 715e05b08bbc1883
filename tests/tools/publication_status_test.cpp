// The verdict on a record's age, and the age of a record's tick.

#include "tools/q6ipc/publication_status.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

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
