// An agent started with too few file descriptors names the cause in its log
// and lives on. Only the plain lane runs it: the sanitizers' own run-time
// needs more descriptors than the limit leaves.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <string>

#include "tests/e2e/agent_sandbox.h"
#include "tests/support/sanitizer_build.h"

namespace {

using std::chrono::milliseconds;

TEST(DescriptorLimitE2eTest, TooFewDescriptorsAreNamedAsTheCause) {
#ifdef Q6_ADDRESS_SANITIZER
    GTEST_SKIP() << "the sanitizers' own run-time needs more descriptors than the limit leaves";
#endif
    NAgentSandbox sandbox(NAgentBuild::ShortPause);
    const pid_t agent = sandbox.StartProgram(
        "/usr/bin/prlimit", {"--nofile=5", "--", (sandbox.BinFolder() / "q6tsa").string(), "NORMAL",
                             NAgentSandbox::kLaunchId, "2015-06-01 09:30:00",
                             std::to_string(NAgentSandbox::CurrentTick())});
    ASSERT_GT(agent, 0);
    EXPECT_TRUE(sandbox.WaitForLog("Too many open files", NAgentSandbox::kPatience))
        << sandbox.ReadLog();
    EXPECT_EQ(sandbox.ReadLog().find("damaged"), std::string::npos) << sandbox.ReadLog();
    EXPECT_FALSE(sandbox.WaitForExit(agent, milliseconds(0)).has_value()) << "the agent ended";
}

}  // namespace
