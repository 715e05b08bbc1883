// Two publications of the real agent, one pause of 30 seconds apart.

#include <gtest/gtest.h>

#include "tests/e2e/agent_sandbox.h"
#include "tests/e2e/successive_publications.h"

namespace {

TEST(AgentCycleE2eTest, SuccessivePublicationsArePauseApartInTickAndServerTime) {
    NAgentSandbox sandbox;
    ASSERT_EQ(sandbox.PublishPause(), std::chrono::milliseconds(30000));
    sandbox.Start({"NORMAL", NAgentSandbox::kLaunchId, "2015-06-01 09:30:00",
                   std::to_string(NAgentSandbox::CurrentTick())});
    NSuccessivePublications::Expect(sandbox, 2);
}

}  // namespace
