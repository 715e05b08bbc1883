// The agent's publishing loop, run with a short pause: it publishes at once
// and again after every pause, each time from the clock carried forward.

#include <gtest/gtest.h>

#include "tests/e2e/agent_sandbox.h"
#include "tests/e2e/short_pause_agent.h"
#include "tests/e2e/successive_publications.h"

namespace {

TEST(AgentShortPauseE2eTest, SuccessivePublicationsArePauseApartInTickAndServerTime) {
    NAgentSandbox sandbox(NAgentBuild::ShortPause);
    ASSERT_EQ(sandbox.PublishPause(), NShortPauseAgent::kPublishPause);
    sandbox.Start({"NORMAL", NAgentSandbox::kLaunchId, "2015-06-01 09:30:00",
                   std::to_string(NAgentSandbox::CurrentTick())});
    NSuccessivePublications::Expect(sandbox, 4);
}

}  // namespace
