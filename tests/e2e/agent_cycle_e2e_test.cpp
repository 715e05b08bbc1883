// Two publications of the real agent, one pause apart (takes 30 s).

#include <gtest/gtest.h>
#include <json/json.h>

#include <sstream>
#include <string>
#include <thread>

#include "e2e/agent_sandbox.h"
#include "support/test_constants.h"

namespace {

using std::chrono::milliseconds;

using NTestConstants::kSlot;
constexpr uint64_t kPauseMs = 30000;

uint64_t SecondsOfDay(const std::string& serverTime) {
    return std::stoull(serverTime.substr(11, 2)) * 3600 +
           std::stoull(serverTime.substr(14, 2)) * 60 + std::stoull(serverTime.substr(17, 2));
}

Json::Value Record(const std::string& slotBytes) {
    Json::Value root;
    std::istringstream(TextOfSlotBytes(slotBytes)) >> root;
    return root;
}

TEST(AgentCycleE2eTest, SuccessivePublicationsArePauseApartInTickAndServerTime) {
    NAgentSandbox sandbox;
    sandbox.Start({"NORMAL", NAgentSandbox::kLaunchId, "2015-06-01 09:30:00",
                   std::to_string(NAgentSandbox::CurrentTick())});
    const auto first = sandbox.WaitForSlot(kSlot, milliseconds(15000));
    ASSERT_TRUE(first.has_value());
    std::optional<std::string> second;
    for (int poll = 0; poll < 450 && (!second || second == first); ++poll) {
        std::this_thread::sleep_for(milliseconds(100));
        second = sandbox.ReadSlot(kSlot);
    }
    ASSERT_TRUE(second.has_value());
    ASSERT_NE(second, first);

    const Json::Value before = Record(*first);
    const Json::Value after = Record(*second);
    const uint64_t tickDelta = std::stoull(after["AtGetTickCount"].asString()) -
                               std::stoull(before["AtGetTickCount"].asString());
    EXPECT_GE(tickDelta, kPauseMs);
    EXPECT_LT(tickDelta, kPauseMs + 5000);
    const uint64_t secondsDelta = SecondsOfDay(after["ServerTime"].asString()) -
                                  SecondsOfDay(before["ServerTime"].asString());
    EXPECT_GE(secondsDelta, tickDelta / 1000);
    EXPECT_LE(secondsDelta, tickDelta / 1000 + 1);
}

}  // namespace
