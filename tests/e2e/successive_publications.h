#pragma once
// What the publications of a running agent show one after the other: each
// comes one pause after the one before, its tick that much later, and its
// server time carried forward by the same ticks.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "tests/e2e/agent_sandbox.h"
#include "tests/support/test_constants.h"

namespace NSuccessivePublications {

// Time for a cycle's work beyond the pause; never near it, even when loaded.
constexpr uint64_t kCycleRoomMs = 5000;

inline uint64_t SecondsOfDay(const std::string& serverTime) {
    return std::stoull(serverTime.substr(11, 2)) * 3600 +
           std::stoull(serverTime.substr(14, 2)) * 60 + std::stoull(serverTime.substr(17, 2));
}

inline void ExpectOnePauseApart(const NPublishedRecord& before, const NPublishedRecord& after,
                                uint64_t pauseMs) {
    const uint64_t tickDelta = std::stoull(after.strTick) - std::stoull(before.strTick);
    EXPECT_GE(tickDelta, pauseMs);
    EXPECT_LT(tickDelta, pauseMs + kCycleRoomMs);
    // Whole seconds of the anchor carried forward: a second more at most.
    const uint64_t secondsDelta =
        SecondsOfDay(after.strServerTime) - SecondsOfDay(before.strServerTime);
    EXPECT_GE(secondsDelta, tickDelta / 1000);
    EXPECT_LE(secondsDelta, tickDelta / 1000 + 1);
}

// Waits for count publications of the agent that runs in sandbox into the
// normal slot, from the first on, and checks each against the one before.
inline void Expect(const NAgentSandbox& sandbox, int count) {
    const std::chrono::milliseconds patience =
        sandbox.PublishPause() + std::chrono::milliseconds(15000);
    std::optional<std::string> previous = sandbox.WaitForSlot(NTestConstants::kSlot, patience);
    ASSERT_TRUE(previous.has_value());
    for (int publication = 1; publication < count; ++publication) {
        const std::optional<std::string> next =
            sandbox.WaitForNextSlot(NTestConstants::kSlot, *previous, patience);
        ASSERT_TRUE(next.has_value()) << "publication " << publication;
        const std::optional<NPublishedRecord> before = ParseSlotRecord(*previous);
        const std::optional<NPublishedRecord> after = ParseSlotRecord(*next);
        ASSERT_TRUE(before && after) << TextOfSlotBytes(*next);
        ExpectOnePauseApart(*before, *after, static_cast<uint64_t>(sandbox.PublishPause().count()));
        previous = next;
    }
}

}  // namespace NSuccessivePublications
