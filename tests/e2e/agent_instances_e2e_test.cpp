// Agents started many at once: exactly one publishes and keeps running, every
// other one logs the mutex refusal and exits with code 0.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/agent_sandbox.h"
#include "tests/support/test_constants.h"

namespace {

using std::chrono::milliseconds;

using NTestConstants::kSlot;
constexpr int kAgents = 20;
// Ticks far above the machine's counter freeze each agent's clock, so the
// published tick tells which agent wrote the record.
constexpr uint64_t kFirstFrozenTick = 9000000000000000000ull;

size_t CountOf(const std::string& text, const std::string& fragment) {
    size_t count = 0;
    for (size_t at = text.find(fragment); at != std::string::npos;
         at = text.find(fragment, at + 1)) {
        ++count;
    }
    return count;
}

// Starts kAgents agents one right after the other, agent i with tick
// kFirstFrozenTick + firstIndex + i.
std::vector<pid_t> StartAgents(NAgentSandbox& sandbox, int firstIndex) {
    std::vector<pid_t> agents;
    for (int index = firstIndex; index < firstIndex + kAgents; ++index) {
        agents.push_back(sandbox.Start({"NORMAL", NAgentSandbox::kLaunchId, "2015-06-01 09:30:00",
                                        std::to_string(kFirstFrozenTick + index)}));
    }
    return agents;
}

TEST(AgentInstancesE2eTest, OfTwentyAgentsStartedAtOnceExactlyOnePublishesAndStays) {
    NAgentSandbox sandbox;
    const std::vector<pid_t> agents = StartAgents(sandbox, 0);

    // Polls them all until no more than one is left running.
    std::vector<int> running;
    running.reserve(kAgents);
    for (int index = 0; index < kAgents; ++index) {
        running.push_back(index);
    }
    const auto deadline = std::chrono::steady_clock::now() + NAgentSandbox::kPatience;
    while (running.size() > 1 && std::chrono::steady_clock::now() < deadline) {
        std::vector<int> stillRunning;
        for (const int index : running) {
            const std::optional<int> exitCode = sandbox.WaitForExit(agents[index], milliseconds(0));
            if (exitCode) {
                EXPECT_EQ(*exitCode, 0) << "agent " << index;
            } else {
                stillRunning.push_back(index);
            }
        }
        running.swap(stillRunning);
        std::this_thread::sleep_for(milliseconds(20));
    }
    ASSERT_EQ(running.size(), 1u);
    const std::optional<std::string> slot = sandbox.WaitForSlot(kSlot, NAgentSandbox::kPatience);
    ASSERT_TRUE(slot.has_value());
    const std::optional<NPublishedRecord> record = ParseSlotRecord(*slot);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->strTick, std::to_string(kFirstFrozenTick + running.front()));
    std::string log = sandbox.ReadLog();
    EXPECT_EQ(CountOf(log, "[INFO] q6tsa q6tsa::Main: START.\n"), size_t{kAgents});
    EXPECT_EQ(CountOf(log, "[ERROR] q6tsa q6tsa::Main:: mutex ALREADY_EXISTS.\n"),
              size_t{kAgents - 1});

    // Twenty more while it runs: all of them refuse, and its record stays.
    for (const pid_t agent : StartAgents(sandbox, kAgents)) {
        EXPECT_EQ(sandbox.WaitForExit(agent, NAgentSandbox::kPatience), 0);
    }
    EXPECT_FALSE(sandbox.WaitForExit(agents[running.front()], milliseconds(0)).has_value());
    EXPECT_EQ(sandbox.ReadSlot(kSlot), slot);
    log = sandbox.ReadLog();
    EXPECT_EQ(CountOf(log, "[ERROR] q6tsa q6tsa::Main:: mutex ALREADY_EXISTS.\n"),
              size_t{2 * kAgents - 1});
    EXPECT_EQ(log.find("[FATAL]"), std::string::npos) << log;
}

}  // namespace
