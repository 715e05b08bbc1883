// Writers killed with SIGKILL at random moments: readers of the slot still
// read whole values, and the next writer writes on.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <atomic>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "os/dynamic_library.h"
#include "tests/e2e/agent_sandbox.h"
#include "tests/e2e/slot_values.h"
#include "tests/support/test_constants.h"

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

using NTestConstants::kSlot;
constexpr uint32_t kWriterSlot = 0x12345678;

// The sandbox's library, loaded into this process to read while others write.
class NSandboxLibrary {
public:
    explicit NSandboxLibrary(const NAgentSandbox& sandbox) {
        ::setenv("Q6_SHM_NAMESPACE", sandbox.Namespace().c_str(), 1);
        if (m_library.Open((sandbox.Folder() / "qxipcdll.dll").string())) {
            m_fnGetData = m_library.FindFunction<PFN_IPC_GET_DATA>("fnGetData").ValueOr(nullptr);
            m_fnSetData = m_library.FindFunction<PFN_IPC_SET_DATA>("fnSetData").ValueOr(nullptr);
        }
    }
    ~NSandboxLibrary() { ::unsetenv("Q6_SHM_NAMESPACE"); }
    NSandboxLibrary(const NSandboxLibrary&) = delete;
    NSandboxLibrary& operator=(const NSandboxLibrary&) = delete;

    bool IsReady() const { return m_fnGetData != nullptr && m_fnSetData != nullptr; }

    std::optional<std::string> Read(uint32_t slot) {
        std::string buffer(QXIPC_MAX_DATA_SIZE, '\0');
        uint32_t size = 0;
        if (m_fnGetData(slot, buffer.data(), static_cast<uint32_t>(buffer.size()), &size) == 0) {
            return std::nullopt;
        }
        buffer.resize(size);
        return buffer;
    }

    bool Write(uint32_t slot, const std::string& value) {
        return m_fnSetData(slot, value.data(), static_cast<uint32_t>(value.size())) != 0;
    }

private:
    NOs::NDynamicLibrary m_library;
    PFN_IPC_GET_DATA m_fnGetData = nullptr;
    PFN_IPC_SET_DATA m_fnSetData = nullptr;
};

// Reads the slot in a loop on a thread of its own until it is stopped, and
// counts what it saw. A killed writer leaves the slot as it was until the
// next writer starts, a tenth of a second later: a read every few tens of
// microseconds sees whatever it left, without taking a core from the others.
class NSlotWatcher {
public:
    NSlotWatcher(NSandboxLibrary& library, uint32_t slot)
        : m_thread([this, &library, slot] {
              for (; !m_bStop.load(); std::this_thread::sleep_for(kReadPause)) {
                  const std::optional<std::string> value = library.Read(slot);
                  ++m_nReads;
                  if (!value) {
                      ++m_nMissing;
                  } else if (!IsKnownSlotValue(*value)) {
                      ++m_nTorn;
                  } else if (*value != m_strLast) {
                      ++m_nChanges;
                      m_strLast = *value;
                  }
              }
          }) {}
    ~NSlotWatcher() { Stop(); }
    NSlotWatcher(const NSlotWatcher&) = delete;
    NSlotWatcher& operator=(const NSlotWatcher&) = delete;

    void Stop() {
        m_bStop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    long Reads() const { return m_nReads; }
    long Missing() const { return m_nMissing; }
    long Torn() const { return m_nTorn; }
    long Changes() const { return m_nChanges; }

private:
    static constexpr microseconds kReadPause{20};

    std::atomic<bool> m_bStop{false};
    std::atomic<long> m_nReads{0};
    std::atomic<long> m_nMissing{0};
    std::atomic<long> m_nTorn{0};
    std::atomic<long> m_nChanges{0};
    std::string m_strLast;
    std::thread m_thread;
};

TEST(AgentKillE2eTest, AWriterKilledMidWriteLeavesTheOldOrTheNewValueWhole) {
    constexpr int kKills = 100;
    NAgentSandbox sandbox;
    NSandboxLibrary library(sandbox);
    ASSERT_TRUE(library.IsReady());
    const std::vector<std::string> writerArguments{(sandbox.Folder() / "qxipcdll.dll").string(),
                                                   std::to_string(kWriterSlot)};
    // The slot exists before the first kill, so every read from here on must
    // find a value.
    const pid_t first = sandbox.StartProgram(Q6_SLOT_WRITER, writerArguments);
    for (int poll = 0; poll < 1500 && !library.Read(kWriterSlot); ++poll) {
        std::this_thread::sleep_for(milliseconds(10));
    }
    ASSERT_TRUE(library.Read(kWriterSlot).has_value());
    sandbox.Kill(first);

    NSlotWatcher watcher(library, kWriterSlot);
    std::mt19937 random(8);
    std::uniform_int_distribution<int> writingUs(0, 2000);
    for (int kill = 0; kill < kKills; ++kill) {
        // Killed at a random moment once it is seen writing.
        const long changes = watcher.Changes();
        const pid_t writer = sandbox.StartProgram(Q6_SLOT_WRITER, writerArguments);
        ASSERT_GT(writer, 0);
        for (int poll = 0; poll < 15000 && watcher.Changes() == changes; ++poll) {
            std::this_thread::sleep_for(microseconds(100));
        }
        ASSERT_GT(watcher.Changes(), changes) << "writer " << kill << " wrote nothing";
        std::this_thread::sleep_for(microseconds(writingUs(random)));
        sandbox.Kill(writer);
    }
    watcher.Stop();

    EXPECT_EQ(watcher.Torn(), 0) << "of " << watcher.Reads() << " reads";
    EXPECT_EQ(watcher.Missing(), 0) << "of " << watcher.Reads() << " reads";
    // Whoever died holding the slot's lock, the next writer writes.
    EXPECT_TRUE(library.Write(kWriterSlot, KnownSlotValues().front()));
    EXPECT_EQ(library.Read(kWriterSlot), KnownSlotValues().front());
}

TEST(AgentKillE2eTest, AnAgentKilledRightAfterStartNeverLeavesAHalfRecordOrABlockedStart) {
    constexpr int kKills = 30;
    NAgentSandbox sandbox;
    std::mt19937 random(30);
    std::uniform_int_distribution<int> lifetimeUs(0, 40000);
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t agent =
            sandbox.Start({"NORMAL", NAgentSandbox::kLaunchId, "2015-06-01 09:30:00",
                           std::to_string(NAgentSandbox::CurrentTick())});
        ASSERT_GT(agent, 0);
        std::this_thread::sleep_for(microseconds(lifetimeUs(random)));
        sandbox.Kill(agent);
        const std::optional<std::string> slot = sandbox.ReadSlot(kSlot);
        if (slot) {
            const auto record = ParseSlotRecord(*slot);
            ASSERT_TRUE(record.has_value()) << TextOfSlotBytes(*slot);
            EXPECT_EQ(record->strServerTime.rfind("2015-06-01 09:3", 0), 0u);
        }
    }

    // After all those deaths, the next agent starts, publishes and stays.
    const pid_t survivor = sandbox.Start({"NORMAL", NAgentSandbox::kLaunchId, "2020-02-02 20:20:20",
                                          std::to_string(NAgentSandbox::CurrentTick())});
    std::optional<NPublishedRecord> record;
    for (int poll = 0; poll < 750 && (!record || record->strServerTime.rfind("2020", 0) != 0);
         ++poll) {
        std::this_thread::sleep_for(milliseconds(20));
        const std::optional<std::string> slot = sandbox.ReadSlot(kSlot);
        record = slot ? ParseSlotRecord(*slot) : std::nullopt;
    }
    ASSERT_TRUE(record.has_value()) << sandbox.ReadLog();
    EXPECT_EQ(record->strServerTime.rfind("2020-02-02 20:20:2", 0), 0u) << record->strServerTime;
    EXPECT_FALSE(sandbox.WaitForExit(survivor, milliseconds(0)).has_value());
    const std::string log = sandbox.ReadLog();
    EXPECT_EQ(log.find("ALREADY_EXISTS"), std::string::npos) << log;
    EXPECT_EQ(log.find("[FATAL]"), std::string::npos) << log;
}

}  // namespace

namespace {

constexpr uid_t kNobody = 65534;

// q6ipc's status and check, as root and as an account without rights:
// each tells a live agent from one just killed at once, before its record
// has aged at all.
TEST(AgentKillE2eTest, StatusAndCheckSayNotRunningRightAfterTheAgentIsKilled) {
    NAgentSandbox sandbox;
    const pid_t agent = sandbox.Start({"NORMAL", NAgentSandbox::kLaunchId, "2015-06-01 09:30:00",
                                       std::to_string(NAgentSandbox::CurrentTick())});
    ASSERT_TRUE(sandbox.WaitForSlot(kSlot, milliseconds(15000))) << sandbox.ReadLog();
    for (const uid_t uid : {uid_t{0}, kNobody}) {
        SCOPED_TRACE(uid);
        const NChildResult status = sandbox.RunReader({"status"}, uid);
        EXPECT_EQ(status.nExitCode, 0) << status.strOut << status.strErr;
        EXPECT_EQ(status.strOut.rfind("verdict:     publishing\n", 0), 0u) << status.strOut;
        EXPECT_EQ(sandbox.RunReader({"check"}, uid).nExitCode, 0);
    }
    sandbox.Kill(agent);
    for (const uid_t uid : {uid_t{0}, kNobody}) {
        SCOPED_TRACE(uid);
        const NChildResult status = sandbox.RunReader({"status"}, uid);
        EXPECT_EQ(status.nExitCode, 1);
        EXPECT_EQ(status.strOut.rfind("verdict:     not running (", 0), 0u) << status.strOut;
        const NChildResult check = sandbox.RunReader({"check"}, uid);
        EXPECT_EQ(check.nExitCode, 2);
        EXPECT_EQ(check.strOut.rfind("Q6TSA CRITICAL - not running (", 0), 0u) << check.strOut;
    }
}

}  // namespace
