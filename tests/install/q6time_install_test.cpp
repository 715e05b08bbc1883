// libq6time as a user of the installed tree meets it: `cmake --install` into
// a temporary folder, a C program built with `pkg-config q6time` against that
// folder only, run against the real agent.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ipcdrv/qxipcdll.h"
#include "tests/e2e/agent_sandbox.h"
#include "tests/e2e/successive_publications.h"
#include "tests/support/child_process.h"
#include "tests/support/file_text.h"
#include "tests/support/object_namespace.h"
#include "tests/support/slot_text.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_constants.h"

namespace {

namespace fs = std::filesystem;
using NTestConstants::kSlot;

constexpr uid_t kNobody = 65534;
constexpr std::chrono::milliseconds kPatience{60000};
constexpr char kRecord[] = R"({"AtGetTickCount":"123456789","ServerTime":"2015-06-01 09:30:00"})";

NChildResult Shell(const std::string& command) {
    return NChildProcess::Run("/bin/sh", {"-c", command}, NChildOptions{});
}

// The C example of the README's section on libq6time, as printed there.
std::string ReadmeExample() {
    const std::string readme = NFileText::Read(Q6_SOURCE_DIR "/README.md");
    const size_t section = readme.find("## Reading the time from your program");
    const size_t start = readme.find("```c\n", section);
    const size_t end = readme.find("```\n", start + 5);
    if (section == std::string::npos || start == std::string::npos || end == std::string::npos) {
        return {};
    }
    return readme.substr(start + 5, end - start - 5);
}

// The installed tree, open to every account, and the programs built on it.
class Q6TimeInstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root: the agent runs as root";
        }
        fs::permissions(m_tree.Path(), fs::perms::owner_all | fs::perms::group_read |
                                           fs::perms::group_exec | fs::perms::others_read |
                                           fs::perms::others_exec);
        const NChildResult installed = Shell("cmake --install " Q6_BINARY_DIR " --prefix " +
                                             Prefix().string() + " > /dev/null");
        ASSERT_EQ(installed.nExitCode, 0) << installed.strErr;
        Build(Q6_PROBE_SOURCE, m_tree.Path() / "q6time_probe");
    }

    fs::path Prefix() const { return m_tree.Path() / "prefix"; }

    // cc with nothing but what pkg-config tells of the installed tree.
    void Build(const fs::path& source, const fs::path& program) const {
        const NChildResult built =
            Shell("PKG_CONFIG_PATH=" + (Prefix() / "lib/pkgconfig").string() +
                  " cc -std=c99 -Wall " + "-Wextra -Werror -o " + program.string() + " " +
                  source.string() + " $(PKG_CONFIG_PATH=" + (Prefix() / "lib/pkgconfig").string() +
                  " pkg-config --cflags --libs q6time)");
        ASSERT_EQ(built.nExitCode, 0) << built.strErr;
    }

    // The probe's output for arguments, run to its end in the namespace.
    NChildResult Probe(const std::vector<std::string>& arguments,
                       const std::string& objectNamespace) const {
        NChildOptions options;
        options.vecEnvironment = {"Q6_SHM_NAMESPACE=" + objectNamespace};
        options.timeout = kPatience;
        return NChildProcess::Run((m_tree.Path() / "q6time_probe").string(), arguments, options);
    }

    std::unique_ptr<NChildProcess> StartWaiter(const std::string& objectNamespace, uid_t uid,
                                               int count) const {
        NChildOptions options;
        options.vecEnvironment = {"Q6_SHM_NAMESPACE=" + objectNamespace};
        options.nUid = uid;
        auto waiter = std::make_unique<NChildProcess>();
        waiter->Start((m_tree.Path() / "q6time_probe").string(), {"wait", std::to_string(count)},
                      options);
        return waiter;
    }

    NTempFolder m_tree;
};

// Starts the agent of sandbox and waits for its first publication.
void StartAgent(NAgentSandbox& sandbox) {
    sandbox.Start({"NORMAL", NAgentSandbox::kLaunchId, "2015-06-01 09:30:00",
                   std::to_string(NAgentSandbox::CurrentTick())});
    ASSERT_TRUE(sandbox.WaitForSlot(kSlot, kPatience).has_value());
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST_F(Q6TimeInstallTest, TheTimeAgreesWithQ6ipcAndTheRecordIsThePublishedOne) {
    NAgentSandbox sandbox;
    StartAgent(sandbox);
    const std::string before = FirstLine(sandbox.RunReader({"now"}).strOut);
    const NChildResult now = Probe({"now"}, sandbox.Namespace());
    const std::string after = FirstLine(sandbox.RunReader({"now"}).strOut);
    ASSERT_EQ(now.nExitCode, 0) << now.strOut;
    // The same text format sorts as time: the library's second lies between q6ipc's.
    EXPECT_LE(before, FirstLine(now.strOut));
    EXPECT_LE(FirstLine(now.strOut), after);
    EXPECT_EQ(before.size(), 19u);

    const NChildResult record = Probe({"record"}, sandbox.Namespace());
    ASSERT_EQ(record.nExitCode, 0) << record.strOut;
    EXPECT_EQ(record.strOut, TextOfSlotBytes(sandbox.ReadSlot(kSlot).value_or("")) + "\n");
}

// Each waiter's lines: "ready", the record it opened with, then one record
// for each publication it waited for.
std::vector<std::string> Lines(NChildProcess& waiter, int count) {
    std::vector<std::string> lines;
    std::string line;
    while (static_cast<int>(lines.size()) < count + 2 && waiter.ReadLine(line, kPatience)) {
        lines.push_back(line);
    }
    return lines;
}

TEST_F(Q6TimeInstallTest, ReadersOfTwoProcessesSeeEveryPublicationWhileAnotherAccountWaits) {
    constexpr int kPublications = 3;
    NAgentSandbox sandbox(NAgentBuild::ShortPause);
    StartAgent(sandbox);
    std::vector<std::unique_ptr<NChildProcess>> waiters;
    for (uid_t uid : {uid_t{0}, uid_t{0}, kNobody}) {
        waiters.push_back(StartWaiter(sandbox.Namespace(), uid, kPublications));
    }
    std::vector<std::vector<std::string>> seen;
    for (auto& waiter : waiters) {
        seen.push_back(Lines(*waiter, kPublications));
        ASSERT_EQ(waiter->WaitForExit(kPatience), 0) << ::testing::PrintToString(seen.back());
    }
    for (const std::vector<std::string>& lines : seen) {
        ASSERT_EQ(lines.size(), static_cast<size_t>(kPublications + 2));
        EXPECT_EQ(lines[0], "ready");
        // One publication after the other, none left out.
        for (size_t next = 2; next < lines.size(); ++next) {
            const auto before = ParsePublishedRecord(lines[next - 1]);
            const auto after = ParsePublishedRecord(lines[next]);
            ASSERT_TRUE(before && after) << lines[next];
            NSuccessivePublications::ExpectOnePauseApart(
                *before, *after, static_cast<uint64_t>(sandbox.PublishPause().count()));
        }
    }
    // Readers that opened on the same record saw the same publications.
    EXPECT_TRUE(seen[0][1] != seen[1][1] || seen[0] == seen[1]);
}

TEST_F(Q6TimeInstallTest, TheReadmeExampleBuildsAsShownAndReadsTheAgentsTime) {
    const std::string example = ReadmeExample();
    ASSERT_FALSE(example.empty());
    std::ofstream(m_tree.Path() / "example.c") << example;
    Build(m_tree.Path() / "example.c", m_tree.Path() / "example");

    NAgentSandbox sandbox(NAgentBuild::ShortPause);
    StartAgent(sandbox);
    NChildOptions options;
    options.vecEnvironment = {"Q6_SHM_NAMESPACE=" + sandbox.Namespace()};
    options.timeout = kPatience;
    const NChildResult run = NChildProcess::Run((m_tree.Path() / "example").string(), {}, options);
    EXPECT_EQ(run.nExitCode, 0) << run.strOut << run.strErr;
    EXPECT_NE(run.strOut.find("server time: "), std::string::npos) << run.strOut;
    EXPECT_NE(run.strOut.find("published: {\"AtGetTickCount\""), std::string::npos) << run.strOut;
}

// What the slot holds for a case of the status table.
enum class NSlotContent { Nothing, NotARecord, Record };

struct NStatusCase {
    const char* pszStatus;
    NSlotContent eSlot;
    bool bUntrustedIpcLibrary;  // qxipcdll.dll writable by every account
};

TEST_F(Q6TimeInstallTest, EveryStatusComesFromTheCaseItNames) {
    const std::vector<NStatusCase> cases = {
        {"Q6TIME_OK", NSlotContent::Nothing, false},
        {"Q6TIME_NO_RECORD", NSlotContent::Nothing, false},
        {"Q6TIME_BAD_RECORD", NSlotContent::NotARecord, false},
        {"Q6TIME_TIMEOUT", NSlotContent::Nothing, false},
        {"Q6TIME_TIMEOUT", NSlotContent::Record, false},
        {"Q6TIME_NO_LIBRARY", NSlotContent::Record, true},
        {"Q6TIME_INVALID", NSlotContent::Nothing, false},
        {"Q6TIME_SYSTEM", NSlotContent::Record, false},
        {"Q6TIME_TOO_SMALL", NSlotContent::Record, false},
    };
    const fs::path ipcLibrary = Prefix() / "qxipcdll.dll";
    for (const NStatusCase& test : cases) {
        NObjectNamespace objects;
        if (test.eSlot != NSlotContent::Nothing) {
            const std::string bytes =
                SlotBytesOf(std::string(test.eSlot == NSlotContent::Record ? kRecord : "{}"));
            ASSERT_EQ(fnLoadIpcDriver(), 1);
            ASSERT_EQ(fnSetData(kSlot, bytes.data(), static_cast<uint32_t>(bytes.size())), 1);
        }
        fs::permissions(
            ipcLibrary, fs::perms::others_write,
            test.bUntrustedIpcLibrary ? fs::perm_options::add : fs::perm_options::remove);
        const NChildResult probed = Probe({"status", test.pszStatus}, objects.Name());
        EXPECT_EQ(FirstLine(probed.strOut), test.pszStatus) << probed.strErr;
    }
}

}  // namespace
