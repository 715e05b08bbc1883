// The agent heals and trusts nothing that another account can change: what
// another account (nobody) or an exhausted machine does to it costs at most
// a cycle once the cause is gone, and never makes root follow, write,
// remove or run anything of that account's choosing. The program runs in
// namespaces of its own (in_private_namespaces.sh), so that it may fill
// /dev/shm and the semaphore table; the agent runs with a short pause.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/sem.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ipcdrv/shm_layout.h"
#include "os/linux/shared_memory.h"
#include "os/object_name.h"
#include "tests/e2e/agent_sandbox.h"
#include "tests/e2e/short_pause_agent.h"
#include "tests/support/file_text.h"
#include "tests/support/forked_child.h"
#include "tests/support/test_constants.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

using NTestConstants::kSlot;
constexpr uid_t kAttacker = 65534;  // nobody
constexpr auto kPatience = milliseconds(15000);
// Two cycles of the agent and some room: one may have begun before the cause
// was gone.
constexpr auto kTwoCycles = 2 * NShortPauseAgent::kPublishPause + kPatience;
constexpr char kRefusal[] = "q6tsa::Main:: mutex ALREADY_EXISTS.";
constexpr char kLoadError[] = "NIpcDrvLoader::LoadNwLib driver load error.";
constexpr char kRootsText[] = "root's own file\n";

pid_t StartAgent(NAgentSandbox& sandbox) {
    return sandbox.Start({"NORMAL", NAgentSandbox::kLaunchId, "2015-06-01 09:30:00",
                          std::to_string(NAgentSandbox::CurrentTick())});
}

bool IsAlive(NAgentSandbox& sandbox, pid_t pid) {
    return !sandbox.WaitForExit(pid, milliseconds(0)).has_value();
}

size_t Count(const std::string& text, const std::string& fragment) {
    size_t count = 0;
    for (size_t at = text.find(fragment); at != std::string::npos;
         at = text.find(fragment, at + 1)) {
        ++count;
    }
    return count;
}

// Something another account holds until the test lets go: the child as
// nobody takes it, reports, waits for the release and gives it back.
class NHeldByNobody {
public:
    // take: true when it took what it should; release gives it back.
    NHeldByNobody(std::function<bool()> take, std::function<void()> release)
        : m_child([this, take = std::move(take), release = std::move(release)] {
              const bool taken = DropToNobody() && take();
              m_taken.Send(taken ? 'y' : 'n');
              m_release.Receive();
              release();
              m_released.Send();
              return taken ? 0 : 1;
          }) {
        char answer = 'n';
        m_bTaken = m_taken.Receive(&answer) && answer == 'y';
    }

    bool IsTaken() const { return m_bTaken; }

    void Release() {
        m_release.Send();
        m_released.Receive();
    }

private:
    NPipe m_taken;
    NPipe m_release;
    NPipe m_released;
    NForkedChild m_child;
    bool m_bTaken = false;
};

// Every semaphore set the table has room for, made by nobody.
NHeldByNobody FillSemaphoreTable() {
    auto sets = std::make_shared<std::vector<int>>();
    return NHeldByNobody(
        [sets] {
            for (int id = 0; (id = ::semget(IPC_PRIVATE, 1, IPC_CREAT | 0600)) >= 0;) {
                sets->push_back(id);
            }
            return errno == ENOSPC && !sets->empty();
        },
        [sets] {
            for (const int id : *sets) {
                ::semctl(id, 0, IPC_RMID);
            }
        });
}

// /dev/shm filled to its last byte by a file of nobody's.
NHeldByNobody FillDevShm() {
    const std::string path = "/dev/shm/nobodys-filler";
    return NHeldByNobody(
        [path] {
            std::ofstream filler(path, std::ios::binary);
            const std::string block(1 << 16, 'x');
            while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) {
            }
            return errno == ENOSPC;
        },
        [path] { ::unlink(path.c_str()); });
}

// A watcher of another account that prints the first publication it sees.
pid_t StartWatcher(NAgentSandbox& sandbox, const fs::path& output) {
    return sandbox.StartProgram("/bin/sh",
                                {"-c", "exec \"$0\" watch --count 1 > \"$1\" 2>&1",
                                 (sandbox.BinFolder() / "q6ipc").string(), output.string()},
                                kAttacker);
}

class HealingE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "the agent runs only as root; the attackers are root's children";
        }
    }

    // After the cause is gone: a watcher of another account hears of a
    // publication within two cycles, and a second agent refuses.
    static void ExpectHealed(NAgentSandbox& sandbox, pid_t agent, pid_t watcher,
                             const fs::path& watched) {
        EXPECT_EQ(sandbox.WaitForExit(watcher, kTwoCycles), 0) << sandbox.ReadLog();
        EXPECT_NE(NFileText::Read(watched).find("2015-06-01"), std::string::npos)
            << NFileText::Read(watched);
        const pid_t second = StartAgent(sandbox);
        EXPECT_EQ(sandbox.WaitForExit(second, kPatience), 0);
        EXPECT_EQ(Count(sandbox.ReadLog(), kRefusal), 1u) << sandbox.ReadLog();
        EXPECT_TRUE(IsAlive(sandbox, agent));
    }
};

// A kernel table or file system that another account filled before the
// agent started: what is missing meanwhile, and whether the record is
// published meanwhile.
struct NExhaustionCase {
    const char* pszWhat;
    NHeldByNobody (*fill)();
    const char* pszMissing;
    bool bPublishedMeanwhile;
};

TEST_F(HealingE2eTest, AnExhaustedMachineCostsTheAgentNoLongerThanTheExhaustionLasts) {
    const NExhaustionCase cases[] = {
        {"semaphore table", FillSemaphoreTable, "the publish event", true},
        {"/dev/shm", FillDevShm, "the instance mutex", false},
    };
    for (const NExhaustionCase& test : cases) {
        SCOPED_TRACE(test.pszWhat);
        NAgentSandbox sandbox(NAgentBuild::ShortPause);
        NHeldByNobody filled = test.fill();
        ASSERT_TRUE(filled.IsTaken());
        const fs::path watched = sandbox.LogFolder() / "watched";
        const pid_t watcher = StartWatcher(sandbox, watched);
        const pid_t agent = StartAgent(sandbox);
        const std::string missing = std::string(test.pszMissing) + " is missing";
        ASSERT_TRUE(sandbox.WaitForLog(missing, kPatience)) << sandbox.ReadLog();
        const std::optional<std::string> meanwhile = test.bPublishedMeanwhile
                                                         ? sandbox.WaitForSlot(kSlot, kPatience)
                                                         : sandbox.ReadSlot(kSlot);
        EXPECT_EQ(meanwhile.has_value(), test.bPublishedMeanwhile);
        // The watcher waits for the slot's writes, not for the event: a record
        // published meanwhile reaches it at once; without one it waits on.
        if (!test.bPublishedMeanwhile) {
            EXPECT_TRUE(IsAlive(sandbox, watcher));
        }

        filled.Release();
        ExpectHealed(sandbox, agent, watcher, watched);
        // The watcher may have ended before the release: the agent's healing
        // cycle is waited for on its own.
        const std::string back = std::string(test.pszMissing) + " is back.";
        EXPECT_TRUE(sandbox.WaitForLog(back, kTwoCycles)) << sandbox.ReadLog();
        EXPECT_EQ(Count(sandbox.ReadLog(), missing), 1u) << sandbox.ReadLog();
        EXPECT_EQ(Count(sandbox.ReadLog(), back), 1u) << sandbox.ReadLog();
    }
}

// A log path of the attacker's making: what root does there, and what it
// must leave alone.
struct NLogPathCase {
    const char* pszWhat;
    // Prepares the way as nobody under the shared folder; the log path.
    std::function<std::string(const fs::path& shared, const fs::path& victim)> prepare;
};

const NLogPathCase kLogPathCases[] = {
    {"a link at the log file's name",
     [](const fs::path& shared, const fs::path& victim) {
         const fs::path logs = shared / "logs";
         return ::mkdir(logs.c_str(), 0755) == 0 &&
                        ::symlink(victim.c_str(), (logs / "q6tsa.log").c_str()) == 0
                    ? logs.string()
                    : std::string();
     }},
    {"a FIFO at the log file's name",
     [](const fs::path& shared, const fs::path& /*victim*/) {
         return ::mkfifo((shared / "q6tsa.log").c_str(), 0666) == 0 ? shared.string()
                                                                    : std::string();
     }},
    {"a link in a middle folder, where root would remove a file to make a folder",
     [](const fs::path& shared, const fs::path& victim) {
         const fs::path evil = shared / "evil";
         return ::mkdir(evil.c_str(), 0755) == 0 &&
                        ::symlink(victim.parent_path().c_str(), (evil / "sub").c_str()) == 0
                    ? (evil / "sub" / victim.filename()).string()
                    : std::string();
     }},
};

TEST_F(HealingE2eTest, ALogPathOfAnotherAccountsMakingLeavesRootsFilesAloneAndTheAgentRunning) {
    for (const NLogPathCase& test : kLogPathCases) {
        SCOPED_TRACE(test.pszWhat);
        NAgentSandbox sandbox(NAgentBuild::ShortPause);
        const fs::path shared = sandbox.Folder() / "shared";  // a /tmp of its own
        fs::create_directory(shared);
        fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
        fs::create_directory(sandbox.Folder() / "roots");
        const fs::path victim = sandbox.Folder() / "roots" / "logs";
        NFileText::Write(victim, kRootsText);
        NForkedChild preparer([&] {
            if (!DropToNobody()) {
                return 1;
            }
            const std::string path = test.prepare(shared, victim);
            std::ofstream(sandbox.LogFolder() / "path") << path;
            return path.empty() ? 2 : 0;
        });
        ASSERT_EQ(preparer.Wait(), 0);
        const std::string logPath = NFileText::Read(sandbox.LogFolder() / "path");
        NFileText::Write(sandbox.BinFolder() / "q6agent.properties",
                         "[log]\npath=" + logPath + "\n[agent]\nallowVirtualMachine=1\n");

        const pid_t agent = StartAgent(sandbox);
        ASSERT_TRUE(sandbox.WaitForSlot(kSlot, kPatience).has_value());
        // Another account's reader opens and closes the FIFO, and a SIGPIPE
        // reaches the agent: neither ends it.
        NForkedChild reader([&] {
            return DropToNobody() &&
                           ::open((shared / "q6tsa.log").c_str(), O_RDONLY | O_NONBLOCK) >= 0
                       ? 0
                       : 1;
        });
        reader.Wait();
        ::kill(agent, SIGPIPE);
        for (int cycle = 0; cycle < 3; ++cycle) {
            EXPECT_TRUE(sandbox.WaitForNextPublication(kSlot, kTwoCycles).has_value());
        }
        EXPECT_TRUE(IsAlive(sandbox, agent));
        struct stat info {};
        ASSERT_EQ(::lstat(victim.c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(NFileText::Read(victim), kRootsText);
    }
}

// A library that another account could have put in the agent's place.
struct NForeignLibraryCase {
    const char* pszWhat;
    bool bFolderOfAnother;  // else only the file is another account's
};

// Both logs of the sandbox: the configured one, and the default one that an
// agent whose q6agent.properties is refused writes.
std::string AllLogs(const NAgentSandbox& sandbox) {
    return sandbox.ReadLog() +
           NFileText::Read(sandbox.Folder() / "profile" / "Veltrix" / "Tessaro6" / "q6tsa.log");
}

// Polls until probe holds; false after timeout.
bool WaitUntil(const std::function<bool()>& probe, milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!probe()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(50));
    }
    return true;
}

TEST_F(HealingE2eTest, ALibraryThatAnotherAccountCanChangeNeverRuns) {
    const NForeignLibraryCase cases[] = {{"the agent's folder is nobody's", true},
                                         {"the library file is nobody's", false}};
    for (const NForeignLibraryCase& test : cases) {
        SCOPED_TRACE(test.pszWhat);
        NAgentSandbox sandbox(NAgentBuild::ShortPause, "bin");
        const fs::path library = sandbox.BinFolder() / "qxipcdll.dll";
        fs::copy_file(Q6_FOREIGN_LIBRARY, library, fs::copy_options::overwrite_existing);
        const fs::path changeable = test.bFolderOfAnother ? sandbox.BinFolder() : library;
        ASSERT_EQ(::chown(changeable.c_str(), kAttacker, kAttacker), 0);
        const fs::path mark = sandbox.Folder() / "profile" / "foreign-code-ran";

        // Refused as a missing library; in a folder of another account the
        // properties are refused too, and with them a virtual machine opt-in.
        const pid_t agent = StartAgent(sandbox);
        EXPECT_TRUE(WaitUntil(
            [&] {
                const std::string logs = AllLogs(sandbox);
                return Count(logs, kLoadError) >= 2 || Count(logs, "Not run by VM Machine") > 0;
            },
            kTwoCycles))
            << AllLogs(sandbox);
        EXPECT_FALSE(fs::exists(mark));
        sandbox.Kill(agent);

        // The same library in root's hands is loaded: the mark shows it.
        ASSERT_EQ(::chown(changeable.c_str(), 0, 0), 0);
        StartAgent(sandbox);
        EXPECT_TRUE(WaitUntil([&] { return fs::exists(mark); }, kTwoCycles)) << AllLogs(sandbox);
    }
}

TEST_F(HealingE2eTest, ACutLibraryIsRefusedByTheAgentAndTheReaderUntilTheWholeOneIsBack) {
    for (const uintmax_t kept : {uintmax_t{4096}, uintmax_t{65536}}) {
        SCOPED_TRACE(kept);
        NAgentSandbox sandbox(NAgentBuild::ShortPause);
        const fs::path library = sandbox.BinFolder() / "qxipcdll.dll";
        const fs::path whole = sandbox.Folder() / "whole.dll";
        fs::copy_file(library, whole);
        const pid_t agent = StartAgent(sandbox);
        ASSERT_TRUE(sandbox.WaitForSlot(kSlot, kPatience).has_value());

        // Cut, as an interrupted copy leaves it, then put in place by rename.
        const fs::path cut = sandbox.Folder() / "cut.dll";
        fs::copy_file(whole, cut);
        fs::resize_file(cut, kept);
        fs::rename(cut, library);
        ASSERT_TRUE(sandbox.WaitForLog(kLoadError, kTwoCycles)) << sandbox.ReadLog();
        const NChildResult reader =
            sandbox.RunReader({"get", NTestConstants::SlotArgument(kSlot)}, kAttacker);
        EXPECT_EQ(reader.nExitCode, 1) << reader.strErr;
        EXPECT_TRUE(IsAlive(sandbox, agent));

        fs::copy_file(whole, cut);
        fs::rename(cut, library);
        EXPECT_TRUE(sandbox.WaitForNextPublication(kSlot, kTwoCycles).has_value());
        EXPECT_EQ(
            sandbox.RunReader({"get", NTestConstants::SlotArgument(kSlot)}, kAttacker).nExitCode,
            0);
    }
}

TEST_F(HealingE2eTest, ALineLoggedAfterTheLogFolderWasRemovedIsInTheFolderMadeAgain) {
    NAgentSandbox sandbox(NAgentBuild::ShortPause);
    const pid_t agent = StartAgent(sandbox);
    ASSERT_TRUE(sandbox.WaitForSlot(kSlot, kPatience).has_value());
    fs::remove_all(sandbox.LogFolder());
    // Without its library each cycle logs the load error.
    const fs::path library = sandbox.BinFolder() / "qxipcdll.dll";
    fs::rename(library, sandbox.Folder() / "away.dll");
    EXPECT_TRUE(sandbox.WaitForLog(kLoadError, kTwoCycles));
    EXPECT_TRUE(IsAlive(sandbox, agent));
}

// A root writer stopped (SIGSTOP, a debugger) while it holds the lock of
// the agent's slot: the agent's write gives up, the agent lives on, and it
// writes again once the writer is gone.
TEST_F(HealingE2eTest, AWriterStoppedHoldingTheSlotCostsTheAgentOnlyItsWritesMeanwhile) {
    NAgentSandbox sandbox(NAgentBuild::ShortPause);
    const pid_t agent = StartAgent(sandbox);
    ASSERT_TRUE(sandbox.WaitForSlot(kSlot, kPatience).has_value());
    const NOs::NResult<NOs::NObjectName> name = NOs::MakeObjectName(
        sandbox.Namespace(), NOs::NObjectSpace::Machine, NIpcShm::kScope, "slot.30000259");
    ASSERT_TRUE(name);
    NForkedChild writer([&name] {
        auto memory = NOs::NSharedMemory::Open(name.Value(), sizeof(NIpcShm::NSlotObject), true);
        if (!memory) {
            return 1;
        }
        auto* slot = static_cast<NIpcShm::NSlotObject*>(memory.Value()->GetData());
        if (slot->writeLock.Lock(QXIPC_WRITE_WAIT_MS) != NOs::NLockResult::Locked) {
            return 2;
        }
        ::raise(SIGSTOP);
        return 0;
    });
    int status = 0;
    ASSERT_EQ(::waitpid(writer.Pid(), &status, WUNTRACED), writer.Pid());
    ASSERT_TRUE(WIFSTOPPED(status));

    EXPECT_TRUE(sandbox.WaitForLog("q6tsa::Send_Time_tick: ipc.SetData error.", kTwoCycles))
        << sandbox.ReadLog();
    EXPECT_TRUE(IsAlive(sandbox, agent));
    writer.Kill();
    EXPECT_TRUE(sandbox.WaitForNextPublication(kSlot, kTwoCycles).has_value());
}

}  // namespace
