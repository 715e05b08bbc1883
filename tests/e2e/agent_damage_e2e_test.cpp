// Damage done to a running agent's surroundings between two publications:
// the next cycle mends what it owns and publishes on. The agent runs with a
// short pause and is held still while the damage is done, so that it is all
// done before the next cycle however busy the machine.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>

#include "tests/e2e/agent_sandbox.h"
#include "tests/e2e/short_pause_agent.h"
#include "tests/support/held_process.h"
#include "tests/support/test_constants.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

using NTestConstants::kSlot;
// One pause of the agent and some room.
constexpr auto kNextCycle = NShortPauseAgent::kPublishPause + NAgentSandbox::kPatience;

// What a cycle puts back; the single-instance mutex needs no object to hold.
const char* const kAgentObjects[] = {"ipc.control", "ipc.slot.30000259", "Global.q6pt_event01"};

pid_t StartAgent(NAgentSandbox& sandbox, const std::string& anchor = "2015-06-01 09:30:00") {
    return sandbox.Start(
        {"NORMAL", NAgentSandbox::kLaunchId, anchor, std::to_string(NAgentSandbox::CurrentTick())});
}

// The record of the agent's next publication.
std::optional<NPublishedRecord> WaitForNextRecord(const NAgentSandbox& sandbox,
                                                  const std::string& previous) {
    const std::optional<std::string> slot = sandbox.WaitForNextSlot(kSlot, previous, kNextCycle);
    return slot ? ParseSlotRecord(*slot) : std::nullopt;
}

bool HasObject(const NAgentSandbox& sandbox, const std::string& name) {
    const std::vector<std::string> objects = sandbox.Objects();
    return std::find(objects.begin(), objects.end(), name) != objects.end();
}

// Overwrites the driver's control block's magic number.
bool DamageControlBlock(const NAgentSandbox& sandbox) {
    std::fstream control(sandbox.ObjectFolder() / "ipc.control",
                         std::ios::in | std::ios::out | std::ios::binary);
    return static_cast<bool>(control.write("\0\0\0\0", 4));
}

// Sets the immutable flag of a file or folder for as long as it lives: not
// even root may then write, create or remove anything there.
class NImmutable {
public:
    explicit NImmutable(const fs::path& path) : m_nFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        int flags = 0;
        m_bSet = m_nFd >= 0 && ::ioctl(m_nFd, FS_IOC_GETFLAGS, &flags) == 0 &&
                 SetFlags(flags | FS_IMMUTABLE_FL);
    }
    ~NImmutable() {
        int flags = 0;
        if (m_bSet && ::ioctl(m_nFd, FS_IOC_GETFLAGS, &flags) == 0) {
            SetFlags(flags & ~FS_IMMUTABLE_FL);
        }
        if (m_nFd >= 0) {
            ::close(m_nFd);
        }
    }
    NImmutable(const NImmutable&) = delete;
    NImmutable& operator=(const NImmutable&) = delete;

    bool IsSet() const { return m_bSet; }

private:
    bool SetFlags(int flags) { return ::ioctl(m_nFd, FS_IOC_SETFLAGS, &flags) == 0; }

    int m_nFd;
    bool m_bSet = false;
};

TEST(AgentDamageE2eTest, ObjectsAndLogFolderRemovedUnderTheAgentAreBackAfterTheNextCycle) {
    NAgentSandbox sandbox(NAgentBuild::ShortPause);
    const pid_t agent = StartAgent(sandbox);
    ASSERT_TRUE(sandbox.WaitForSlot(kSlot, NAgentSandbox::kPatience).has_value());
    const std::optional<std::string> first = sandbox.WaitForNextPublication(kSlot, kNextCycle);
    ASSERT_TRUE(first.has_value());
    for (const char* object : kAgentObjects) {
        ASSERT_TRUE(HasObject(sandbox, object)) << object;
    }

    {
        const NHeldProcess held(agent);
        sandbox.RemoveObjects();
        fs::remove_all(sandbox.LogFolder());
        ASSERT_TRUE(sandbox.Objects().empty());
        ASSERT_EQ(sandbox.ReadSlot(kSlot), std::nullopt);
    }

    const std::optional<NPublishedRecord> next = WaitForNextRecord(sandbox, *first);
    ASSERT_TRUE(next.has_value());
    EXPECT_GE(std::stoull(next->strTick), std::stoull(ParseSlotRecord(*first)->strTick) +
                                              NShortPauseAgent::kPublishPause.count());
    // The event comes back when the cycle signals it, right after the write.
    EXPECT_EQ(sandbox.WaitForEvent(NTestConstants::kEventName, 5000), 0);
    for (const char* object : kAgentObjects) {
        EXPECT_TRUE(HasObject(sandbox, object)) << object;
    }
    // Its mutex never went: another agent, anchored elsewhere, still refuses
    // and publishes nothing.
    const pid_t second = StartAgent(sandbox, "2020-02-02 20:20:20");
    EXPECT_EQ(sandbox.WaitForExit(second, NAgentSandbox::kPatience), 0);
    EXPECT_FALSE(sandbox.WaitForExit(agent, milliseconds(0)).has_value());
    const std::optional<NPublishedRecord> last =
        ParseSlotRecord(sandbox.WaitForNextPublication(kSlot, kNextCycle).value_or(""));
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->strServerTime.rfind("2015-06-01 09:3", 0), 0u) << last->strServerTime;
}

TEST(AgentDamageE2eTest, ALogMadeReadOnlyWhileTheAgentRunsStopsNoPublication) {
    NAgentSandbox sandbox(NAgentBuild::ShortPause);
    const pid_t agent = StartAgent(sandbox);
    ASSERT_TRUE(sandbox.WaitForSlot(kSlot, NAgentSandbox::kPatience).has_value());
    const std::optional<std::string> first = sandbox.WaitForNextPublication(kSlot, kNextCycle);
    ASSERT_TRUE(first.has_value());
    std::string logBefore;
    std::optional<NPublishedRecord> next;
    {
        auto held = std::make_unique<NHeldProcess>(agent);
        logBefore = sandbox.ReadLog();
        const NImmutable logFile(sandbox.LogFolder() / "q6tsa.log");
        const NImmutable logFolder(sandbox.LogFolder());
        if (!logFile.IsSet() || !logFolder.IsSet()) {
            GTEST_SKIP() << "the file system of " << sandbox.Folder() << " has no immutable flag";
        }
        // A damaged driver makes the next cycle log while it mends it.
        ASSERT_TRUE(DamageControlBlock(sandbox));
        held.reset();
        next = WaitForNextRecord(sandbox, *first);
    }
    ASSERT_TRUE(next.has_value());
    EXPECT_FALSE(sandbox.WaitForExit(agent, milliseconds(0)).has_value());
    EXPECT_EQ(sandbox.ReadLog(), logBefore);
}

}  // namespace
