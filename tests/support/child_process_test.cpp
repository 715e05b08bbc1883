#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/file_text.h"
#include "tests/support/temp_folder.h"
#include "tests/support/windows_build.h"

namespace {

using std::chrono::milliseconds;

constexpr char kShell[] = "/bin/sh";

NChildResult Shell(const std::string& script, const NChildOptions& options = {}) {
    return NChildProcess::Run(kShell, {"-c", script}, options);
}

TEST(ChildProcessTest, RunKeepsBothOutputsApartWithTheExitCode) {
    Q6_LINUX_ONLY("the runner starts Linux programs");
    const NChildResult result = Shell("printf out; printf err >&2; printf more; exit 3");
    EXPECT_EQ(result.strOut, "outmore");
    EXPECT_EQ(result.strErr, "err");
    EXPECT_EQ(result.nExitCode, 3);
    EXPECT_FALSE(result.bTimedOut);
}

TEST(ChildProcessTest, ExitCodesTellExitsSignalsAndProgramsThatDoNotRun) {
    Q6_LINUX_ONLY("the runner starts Linux programs");
    struct NCase {
        const char* pszProgram;
        std::vector<std::string> arguments;
        int nExitCode;
    };
    const NCase cases[] = {
        {kShell, {"-c", "exit 0"}, 0},
        {kShell, {"-c", "exit 255"}, 255},
        {kShell, {"-c", "kill -TERM $$"}, 128 + SIGTERM},
        {"/nonexistent/program", {}, 127},
    };
    for (const NCase& test : cases) {
        EXPECT_EQ(NChildProcess::Run(test.pszProgram, test.arguments).nExitCode, test.nExitCode)
            << test.pszProgram << " " << (test.arguments.empty() ? "" : test.arguments.back());
    }
}

TEST(ChildProcessTest, EntriesWinOverTheInheritedEnvironmentOrStandAlone) {
    ::setenv("Q6_CHILD_INHERITED", "inherited", 1);
    ::setenv("Q6_CHILD_GIVEN", "inherited", 1);
    struct NCase {
        bool bInherit;
        const char* pszExpected;
    };
    for (const NCase& test : {NCase{true, "inherited|given"}, NCase{false, "|given"}}) {
        NChildOptions options;
        options.vecEnvironment = {"Q6_CHILD_GIVEN=given"};
        options.bInheritEnvironment = test.bInherit;
        EXPECT_EQ(
            Shell("printf '%s|%s' \"$Q6_CHILD_INHERITED\" \"$Q6_CHILD_GIVEN\"", options).strOut,
            test.pszExpected);
    }
    ::unsetenv("Q6_CHILD_INHERITED");
    ::unsetenv("Q6_CHILD_GIVEN");
}

TEST(ChildProcessTest, RunsInTheWorkingFolderGiven) {
    const NTempFolder folder;
    NChildOptions options;
    options.strFolder = folder.Path().string();
    EXPECT_EQ(Shell("pwd -P", options).strOut, folder.Path().string() + "\n");
    options.strFolder = (folder.Path() / "missing").string();
    EXPECT_EQ(Shell("pwd", options).nExitCode, 126);
}

TEST(ChildProcessTest, StandardInputHoldsTheTextGivenAndThenEnds) {
    for (const std::string& input :
         {std::string(), std::string("one\ntwo"), std::string(60000, 'x')}) {
        NChildOptions options;
        options.strInput = input;
        const NChildResult result = NChildProcess::Run("/bin/cat", {}, options);
        EXPECT_EQ(result.nExitCode, 0);
        EXPECT_EQ(result.strOut, input);
    }
}

TEST(ChildProcessTest, StandardErrorCanGoIntoAFile) {
    const NTempFolder folder;
    NChildOptions options;
    options.strErrorFile = (folder.Path() / "errors").string();
    const NChildResult result = Shell("printf out; printf err >&2", options);
    EXPECT_EQ(result.strOut, "out");
    EXPECT_EQ(result.strErr, "");
    EXPECT_EQ(NFileText::Read(options.strErrorFile), "err");
}

TEST(ChildProcessTest, AChildPastTheTimeLimitIsKilled) {
    NChildOptions options;
    // Long enough for a loaded machine, or Wine, to start the shell and let
    // it print; the child sleeps far longer.
    options.timeout = milliseconds(5000);
    const NChildResult result = Shell("printf started; exec sleep 30", options);
    EXPECT_TRUE(result.bTimedOut);
    EXPECT_EQ(result.nExitCode, -1);
    EXPECT_EQ(result.strOut, "started");
}

TEST(ChildProcessTest, AStartedChildIsReadLineByLineWaitedForAndKilled) {
    Q6_LINUX_ONLY("under Wine the child is Wine's loader, whose end a kill does not always show");
    NChildProcess child;
    ASSERT_TRUE(child.Start(kShell, {"-c", "printf 'one\\ntwo\\n'; exec sleep 30"}));
    EXPECT_FALSE(child.Start(kShell, {"-c", "exit 0"}));  // one child per handle
    std::string line;
    ASSERT_TRUE(child.ReadLine(line, milliseconds(10000)));
    EXPECT_EQ(line, "one");
    ASSERT_TRUE(child.ReadLine(line, milliseconds(10000)));
    EXPECT_EQ(line, "two");
    EXPECT_FALSE(child.ReadLine(line, milliseconds(0)));
    EXPECT_EQ(child.WaitForExit(milliseconds(0)), std::nullopt);
    EXPECT_EQ(child.Kill(), 128 + SIGKILL);
    EXPECT_EQ(child.WaitForExit(milliseconds(0)), 128 + SIGKILL);
    EXPECT_EQ(child.Kill(), 128 + SIGKILL);  // once reaped, never signalled again
}

TEST(ChildProcessTest, AHandleNeverStartedHasNoExitCode) {
    NChildProcess child;
    EXPECT_EQ(child.WaitForExit(milliseconds(0)), std::nullopt);
    EXPECT_EQ(child.Kill(), std::nullopt);
    std::string line;
    EXPECT_FALSE(child.ReadLine(line, milliseconds(0)));
}

TEST(ChildProcessTest, AnotherAccountGetsItsOwnGroupAndNoOther) {
    Q6_LINUX_ONLY("the runner starts Linux programs");
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can start a child as another account";
    }
    NChildOptions options;
    options.nUid = 65534;
    EXPECT_EQ(Shell("id -u; id -g; id -G", options).strOut, "65534\n65534\n65534\n");
}

}  // namespace
