// Another local account attacks the real agent, its library and its readers.
// Each attacker is a child that gives up root for the account nobody; every
// reader and every call of the library runs under a time limit, so that one
// that blocks fails the test instead of hanging it. The agent must survive
// each attack, publish again at its next cycle, and no reader may ever see a
// record that root did not write. The tests that wait for a next cycle run
// the agent's code with a short pause, so that cycles also come during the
// attacks.

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/sem.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ipcdrv/qxipcdll.h"
#include "os/linux/named_object.h"
#include "os/named_object_space.h"
#include "tests/e2e/agent_sandbox.h"
#include "tests/e2e/short_pause_agent.h"
#include "tests/support/file_text.h"
#include "tests/support/forked_child.h"
#include "tests/support/held_process.h"
#include "tests/support/test_constants.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

using NTestConstants::kSlot;
constexpr uid_t kAttacker = 65534;   // nobody
constexpr uid_t kBystander = 65533;  // another account that only reads
constexpr auto kPatience = milliseconds(15000);
// One pause of the agent and some room.
constexpr auto kNextCycle = NShortPauseAgent::kPublishPause + kPatience;
// No reader and no call of the library may take longer than this.
constexpr auto kReaderLimit = milliseconds(5000);
constexpr char kAnchor[] = "2015-06-01 09:30:00";
constexpr char kForged[] = "{\"AtGetTickCount\":\"1\",\"ServerTime\":\"1999-12-31 23:59:00\"}";

// One thing an attacker tries; true when it worked, which it must not.
struct NAttack {
    const char* pszWhat;
    std::function<bool()> worked;
};

// Runs the attacks in a child as nobody, within a time limit. The names of
// the attacks that worked, or that did not end in time; empty when none did.
std::vector<std::string> Attack(const std::vector<NAttack>& attacks) {
    NPipe report;
    NForkedChild attacker([&attacks, &report] {
        if (!DropToNobody()) {
            return 1;
        }
        for (size_t index = 0; index < attacks.size(); ++index) {
            if (attacks[index].worked()) {
                report.Send(static_cast<char>('A' + index));
            }
        }
        report.Send('.');
        return 0;
    });
    std::vector<std::string> worked;
    for (char tag = 0; report.Receive(&tag) && tag != '.';) {
        worked.emplace_back(attacks[static_cast<size_t>(tag - 'A')].pszWhat);
    }
    if (attacker.Wait() != 0) {
        worked.emplace_back("(the attacker could not become nobody)");
    }
    return worked;
}

// The sandbox's qxipcdll.dll in this process, in its namespace.
class NLibrary {
public:
    explicit NLibrary(const NAgentSandbox& sandbox)
        : m_pHandle(::dlopen((sandbox.BinFolder() / "qxipcdll.dll").c_str(), RTLD_NOW)) {
        ::setenv(NOs::kObjectNamespaceVariable, sandbox.Namespace().c_str(), 1);
    }
    ~NLibrary() {
        ::unsetenv(NOs::kObjectNamespaceVariable);
        if (m_pHandle != nullptr) {
            ::dlclose(m_pHandle);
        }
    }
    NLibrary(const NLibrary&) = delete;
    NLibrary& operator=(const NLibrary&) = delete;

    template <class Fn>
    Fn Find(const char* name) const {
        return reinterpret_cast<Fn>(m_pHandle != nullptr ? ::dlsym(m_pHandle, name) : nullptr);
    }

    // A write of text into the slot that the library accepted.
    bool Writes(uint32_t slot, const std::string& text) const {
        const auto load = Find<PFN_IPC_VOID>("fnLoadIpcDriver");
        const auto set = Find<PFN_IPC_SET_DATA>("fnSetData");
        if (load == nullptr || set == nullptr) {
            return false;
        }
        load();
        const std::string bytes = SlotBytesOf(text);
        return set(slot, bytes.data(), static_cast<uint32_t>(bytes.size())) != 0;
    }

private:
    void* m_pHandle;
};

pid_t StartAgent(NAgentSandbox& sandbox) {
    return sandbox.Start({"NORMAL", NAgentSandbox::kLaunchId, kAnchor,
                          std::to_string(NAgentSandbox::CurrentTick())});
}

// What a reader of uid makes of the slot: its record text, or "<missing>".
std::string ReadAs(const NAgentSandbox& sandbox, uid_t uid) {
    const NChildResult result =
        sandbox.RunReader({"get", NTestConstants::SlotArgument(kSlot)}, uid, kReaderLimit);
    if (result.bTimedOut) {
        return "<blocked>";
    }
    return result.nExitCode == 0 ? result.strOut : "<missing>";
}

bool IsRootsRecord(const std::optional<NPublishedRecord>& record) {
    return record && record->strServerTime.rfind("2015-06-01", 0) == 0;
}

bool IsRootsRecord(const std::optional<std::string>& slotBytes) {
    return IsRootsRecord(slotBytes ? ParseSlotRecord(*slotBytes) : std::nullopt);
}

// A record that a reader printed, with its line end.
bool IsRootsPrintedRecord(const std::string& printed) {
    return !printed.empty() && printed.back() == '\n' &&
           IsRootsRecord(ParsePublishedRecord(printed.substr(0, printed.size() - 1)));
}

std::optional<std::string> WaitForNextPublication(const NAgentSandbox& sandbox) {
    return sandbox.WaitForNextPublication(kSlot, kNextCycle);
}

// Every way in which another account could once get at the objects: through
// the library, or at the files and the semaphore themselves.
std::vector<NAttack> AttacksOnARunningAgent(const NAgentSandbox& sandbox, const NLibrary& library) {
    const fs::path folder = sandbox.ObjectFolder();
    const std::string event = (folder / "Global.q6pt_event01").string();
    const std::string mutex =
        (folder / "Local.q6tsapp_5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38").string();
    NOs::NEventRecord record{};
    std::ifstream(event, std::ios::binary).read(reinterpret_cast<char*>(&record), sizeof(record));
    const int semaphore = record.nSemaphoreId;
    return {
        {"forge the record through the library",
         [&library] { return library.Writes(kSlot, kForged); }},
        {"delete the slot through the library",
         [&library] { return library.Find<PFN_IPC_DELETE_DATA>("fnDeleteData")(kSlot) != 0; }},
        {"unload the driver",
         [&library] { return library.Find<PFN_IPC_VOID>("fnUnloadIpcDriver")() != 0; }},
        {"uninstall the driver",
         [&library] { return library.Find<PFN_IPC_VOID>("fnUninstallIpcDriver")() != 0; }},
        {"shrink the publish event", [event] { return ::truncate(event.c_str(), 0) == 0; }},
        {"open the publish event for writing",
         [event] { return ::open(event.c_str(), O_WRONLY | O_NONBLOCK) >= 0; }},
        {"remove the publish event", [event] { return ::unlink(event.c_str()) == 0; }},
        {"remove the event's semaphore",
         [semaphore] { return ::semctl(semaphore, 0, IPC_RMID) == 0; }},
        {"take the event's semaphore over",
         [semaphore] {
             struct semid_ds info {};
             info.sem_perm.uid = kAttacker;
             info.sem_perm.mode = 0600;
             return ::semctl(semaphore, 0, IPC_SET, &info) == 0;
         }},
        {"open the single-instance mutex",
         [mutex] { return ::open(mutex.c_str(), O_RDONLY) >= 0; }},
        {"put a FIFO where the control block goes",
         [folder] {
             return ::unlink((folder / "ipc.control").c_str()) == 0 ||
                    ::mkfifo((folder / "ipc.control.new").c_str(), 0666) == 0;
         }},
        {"put a folder where a slot goes",
         [folder] { return ::mkdir((folder / "ipc.slot.12345678").c_str(), 0777) == 0; }},
        {"put a link where a slot goes",
         [folder] {
             return ::symlink("/etc/passwd", (folder / "ipc.slot.87654321").c_str()) == 0;
         }},
        {"make a temporary name in the folder",
         [folder] {
             return ::open((folder / "q6tmp.1.0").c_str(), O_CREAT | O_WRONLY, 0666) >= 0;
         }},
        {"move the object folder away",
         [folder] { return ::rename(folder.c_str(), (folder.string() + ".gone").c_str()) == 0; }},
        {"change the object folder's mode",
         [folder] { return ::chmod(folder.c_str(), 0777) == 0; }},
    };
}

class AttackE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "the agent runs only as root; the attackers are root's children";
        }
    }
};

TEST_F(AttackE2eTest, AnotherAccountNeitherFoolsNorStopsTheAgentOrItsReaders) {
    NAgentSandbox sandbox(NAgentBuild::ShortPause);
    // The folder of the machine's spaces is in place, as after any agent's
    // first start: another account cannot make the namespace's folder in it.
    ASSERT_TRUE(NOs::CheckObjectSpace(NOs::NObjectSpace::Machine));
    {
        // Before the agent's first cycle: nothing to forge in, nothing to squat.
        const NLibrary library(sandbox);
        const fs::path folder = sandbox.ObjectFolder();
        EXPECT_EQ(Attack({{"forge the record before the agent",
                           [&library] { return library.Writes(kSlot, kForged); }},
                          {"make the namespace's object folder in advance",
                           [folder] { return ::mkdir(folder.c_str(), 0777) == 0; }}}),
                  std::vector<std::string>());
        EXPECT_EQ(ReadAs(sandbox, 0), "<missing>");
        EXPECT_EQ(ReadAs(sandbox, kBystander), "<missing>");
    }
    // A watcher of another account, started first, waits for the agent.
    const fs::path watched = sandbox.LogFolder() / "watched";
    const pid_t watcher =
        sandbox.StartProgram("/bin/sh",
                             {"-c", "exec \"$0\" watch > \"$1\" 2>&1",
                              (sandbox.BinFolder() / "q6ipc").string(), watched.string()},
                             kAttacker);
    const pid_t agent = StartAgent(sandbox);
    ASSERT_TRUE(IsRootsRecord(sandbox.WaitForSlot(kSlot, kPatience))) << sandbox.ReadLog();

    {
        const NLibrary library(sandbox);
        EXPECT_EQ(Attack(AttacksOnARunningAgent(sandbox, library)), std::vector<std::string>());
    }
    for (const uid_t reader : {uid_t{0}, kBystander, kAttacker}) {
        const std::string printed = ReadAs(sandbox, reader);
        EXPECT_TRUE(IsRootsPrintedRecord(printed)) << reader << ": " << printed;
    }

    const std::optional<std::string> next = WaitForNextPublication(sandbox);
    EXPECT_TRUE(IsRootsRecord(next)) << sandbox.ReadLog();
    EXPECT_FALSE(sandbox.WaitForExit(agent, milliseconds(0)).has_value());
    EXPECT_FALSE(sandbox.WaitForExit(watcher, milliseconds(0)).has_value());
    // The watcher was waiting when the next cycle came: it printed that record.
    std::this_thread::sleep_for(milliseconds(200));
    const std::string printed = NFileText::Read(watched);
    ASSERT_TRUE(next.has_value());
    EXPECT_NE(printed.find(TextOfSlotBytes(*next)), std::string::npos) << printed;
    EXPECT_EQ(printed.find("1999-12-31"), std::string::npos) << printed;
}

constexpr char kRefusal[] = "[ERROR] q6tsa q6tsa::Main:: mutex ALREADY_EXISTS.\n";

size_t CountRefusals(const std::string& log) {
    size_t count = 0;
    for (size_t at = log.find(kRefusal); at != std::string::npos; at = log.find(kRefusal, at + 1)) {
        ++count;
    }
    return count;
}

// Removing the agent's objects (as root) lets a second agent take the
// mutex, but never two agents publish: the first one's next cycle finds the
// mutex held by the second and ends as a second instance does. The first
// is held still until the second has published, so that its next cycle
// cannot come first on a busy machine.
TEST_F(AttackE2eTest, AfterTheObjectsWereRemovedOnlyOneOfTwoAgentsGoesOn) {
    NAgentSandbox sandbox(NAgentBuild::ShortPause);
    const pid_t first = StartAgent(sandbox);
    ASSERT_TRUE(IsRootsRecord(sandbox.WaitForSlot(kSlot, kPatience))) << sandbox.ReadLog();

    pid_t second = 0;
    {
        const NHeldProcess held(first);
        sandbox.RemoveObjects();
        second = StartAgent(sandbox);
        ASSERT_TRUE(IsRootsRecord(sandbox.WaitForSlot(kSlot, kPatience))) << sandbox.ReadLog();
    }
    const std::optional<int> firstEnd = sandbox.WaitForExit(first, kNextCycle);
    EXPECT_EQ(firstEnd, 0) << sandbox.ReadLog();
    EXPECT_EQ(CountRefusals(sandbox.ReadLog()), 1u) << sandbox.ReadLog();
    EXPECT_TRUE(IsRootsRecord(WaitForNextPublication(sandbox))) << sandbox.ReadLog();
    EXPECT_FALSE(sandbox.WaitForExit(second, milliseconds(0)).has_value());
}

// The name in the abstract socket space that the mutex once also held.
std::string FormerGuardName(const std::string& recordPath) {
    uint64_t hash = 14695981039346656037u;  // FNV-1a
    for (const char c : recordPath) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
    }
    char name[32];
    std::snprintf(name, sizeof(name), "q6tsa.%016llx", static_cast<unsigned long long>(hash));
    return name;
}

// An account that binds, with a socket that root made and handed over, the
// name the agent's mutex once held beside its record neither stops the
// agent nor frees a second one: no name of another account's making counts.
TEST_F(AttackE2eTest, ASocketNameBoundByAnotherAccountDoesNotStopTheAgent) {
    NAgentSandbox sandbox(NAgentBuild::ShortPause);
    const std::string name = FormerGuardName(
        (sandbox.ObjectFolder() / "Local.q6tsapp_5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38").string());
    NPipe sitting;
    NPipe release;
    NForkedChild squatter([&] {
        const int rootsSocket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + 1, name.data(), name.size());
        const auto length =
            static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
        const bool held = rootsSocket >= 0 && DropToNobody() &&
                          ::bind(rootsSocket, reinterpret_cast<sockaddr*>(&address), length) == 0;
        sitting.Send();
        release.Receive();
        return held ? 0 : 1;
    });
    ASSERT_TRUE(sitting.Receive());

    const pid_t agent = StartAgent(sandbox);
    ASSERT_TRUE(IsRootsRecord(sandbox.WaitForSlot(kSlot, kPatience))) << sandbox.ReadLog();
    const pid_t second = StartAgent(sandbox);
    EXPECT_EQ(sandbox.WaitForExit(second, kPatience), 0);
    EXPECT_EQ(CountRefusals(sandbox.ReadLog()), 1u) << sandbox.ReadLog();
    release.Send();
    EXPECT_EQ(squatter.Wait(), 0);
    EXPECT_FALSE(sandbox.WaitForExit(agent, milliseconds(0)).has_value());
}

// A log path that leads through a device: the device is left as it is, the
// agent runs on without a log and publishes.
TEST_F(AttackE2eTest, ADeviceOnTheLogPathSurvivesAndTheAgentPublishes) {
    NAgentSandbox sandbox;
    const fs::path device = sandbox.Folder() / "nulldev";
    ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
    for (const fs::path& logPath : {device, device / "logs"}) {
        SCOPED_TRACE(logPath);
        std::ofstream(sandbox.BinFolder() / "q6agent.properties")
            << "[log]\npath=" << logPath.string() << "\n[agent]\nallowVirtualMachine=1\n";
        const pid_t agent = StartAgent(sandbox);
        EXPECT_TRUE(IsRootsRecord(sandbox.WaitForSlot(kSlot, kPatience)));
        EXPECT_FALSE(sandbox.WaitForExit(agent, milliseconds(0)).has_value());
        sandbox.Kill(agent);
        struct stat info {};
        ASSERT_EQ(::lstat(device.c_str(), &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
        EXPECT_EQ(info.st_rdev, ::makedev(1, 3));
        sandbox.RemoveObjects();
    }
}

// The agent's folder named by bytes that are not UTF-8, beside a folder
// whose name is what U+FFFD would make of them: the agent loads the library
// of its own folder.
TEST_F(AttackE2eTest, AnExecutableFolderThatIsNotUtf8LoadsItsOwnLibrary) {
    NAgentSandbox sandbox(NAgentBuild::Product, "bin\xFF");
    const fs::path sibling = sandbox.Folder() / "bin\xEF\xBF\xBD";
    fs::create_directory(sibling);
    std::ofstream(sibling / "qxipcdll.dll") << "not a library";
    const pid_t agent = StartAgent(sandbox);
    EXPECT_TRUE(IsRootsRecord(sandbox.WaitForSlot(kSlot, kPatience))) << sandbox.ReadLog();
    EXPECT_EQ(sandbox.ReadLog().find("driver load error"), std::string::npos) << sandbox.ReadLog();
    EXPECT_FALSE(sandbox.WaitForExit(agent, milliseconds(0)).has_value());
}

}  // namespace
