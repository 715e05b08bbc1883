// Damage done to a running agent's surroundings between two publications
// (each test waits one 30-second pause): the next cycle mends what it owns and
// publishes on.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <thread>

#include "e2e/agent_sandbox.h"
#include "support/test_constants.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

using NTestConstants::kSlot;
constexpr auto kPatience = milliseconds(15000);
// One pause of the agent and some room.
constexpr auto kNextCycle = milliseconds(40000);
constexpr uint64_t kPauseMs = 30000;

// What a cycle puts back; the single-instance mutex needs no object to hold.
const char* const kAgentObjects[] = {"ipc.control", "ipc.slot.30000259", "Global.q6pt_event01"};

pid_t StartAgent(NAgentSandbox& sandbox) {
    return sandbox.Start({"NORMAL", NAgentSandbox::kLaunchId, "2015-06-01 09:30:00",
                          std::to_string(NAgentSandbox::CurrentTick())});
}

// The next record after previous, once the agent's next cycle wrote it.
std::optional<NPublishedRecord> WaitForNextRecord(const NAgentSandbox& sandbox,
                                                  const std::string& previous) {
    const auto deadline = std::chrono::steady_clock::now() + kNextCycle;
    for (; std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(milliseconds(100))) {
        const std::optional<std::string> slot = sandbox.ReadSlot(kSlot);
        if (slot && *slot != previous) {
            return ParseSlotRecord(*slot);
        }
    }
    return std::nullopt;
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
    NAgentSandbox sandbox;
    const pid_t agent = StartAgent(sandbox);
    const std::optional<std::string> first = sandbox.WaitForSlot(kSlot, kPatience);
    ASSERT_TRUE(first.has_value());
    for (const char* object : kAgentObjects) {
        ASSERT_TRUE(HasObject(sandbox, object)) << object;
    }

    sandbox.RemoveObjects();
    fs::remove_all(sandbox.LogFolder());
    ASSERT_TRUE(sandbox.Objects().empty());
    ASSERT_EQ(sandbox.ReadSlot(kSlot), std::nullopt);

    const std::optional<NPublishedRecord> next = WaitForNextRecord(sandbox, *first);
    ASSERT_TRUE(next.has_value());
    EXPECT_GE(std::stoull(next->strTick), std::stoull(ParseSlotRecord(*first)->strTick) + kPauseMs);
    // The event comes back when the cycle signals it, right after the write.
    EXPECT_EQ(sandbox.WaitForEvent(NTestConstants::kEventName, 5000), 0);
    for (const char* object : kAgentObjects) {
        EXPECT_TRUE(HasObject(sandbox, object)) << object;
    }
    // Its mutex never went: another agent still refuses.
    const pid_t second = StartAgent(sandbox);
    EXPECT_EQ(sandbox.WaitForExit(second, kPatience), 0);
    EXPECT_FALSE(sandbox.WaitForExit(agent, milliseconds(0)).has_value());
    EXPECT_EQ(ParseSlotRecord(*sandbox.ReadSlot(kSlot))->strTick, next->strTick);
}

TEST(AgentDamageE2eTest, ALogMadeReadOnlyWhileTheAgentRunsStopsNoPublication) {
    NAgentSandbox sandbox;
    const pid_t agent = StartAgent(sandbox);
    const std::optional<std::string> first = sandbox.WaitForSlot(kSlot, kPatience);
    ASSERT_TRUE(first.has_value());
    const std::string logBefore = sandbox.ReadLog();
    std::optional<NPublishedRecord> next;
    {
        const NImmutable logFile(sandbox.LogFolder() / "q6tsa.log");
        const NImmutable logFolder(sandbox.LogFolder());
        if (!logFile.IsSet() || !logFolder.IsSet()) {
            GTEST_SKIP() << "the file system of " << sandbox.Folder() << " has no immutable flag";
        }
        // A damaged driver makes the next cycle log while it mends it.
        ASSERT_TRUE(DamageControlBlock(sandbox));
        next = WaitForNextRecord(sandbox, *first);
    }
    ASSERT_TRUE(next.has_value());
    EXPECT_FALSE(sandbox.WaitForExit(agent, milliseconds(0)).has_value());
    EXPECT_EQ(sandbox.ReadLog(), logBefore);
}

}  // namespace
