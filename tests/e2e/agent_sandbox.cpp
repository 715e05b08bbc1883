#include "tests/e2e/agent_sandbox.h"

#include <json/json.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "agent/startup.h"
#include "os/named_object_space.h"
#include "os/named_object_space_testing.h"
#include "os/tick_source.h"
#include "tests/e2e/short_pause_agent.h"
#include "tests/support/file_text.h"

namespace fs = std::filesystem;

namespace {

constexpr auto kPollPause = std::chrono::milliseconds(20);

fs::path AgentProgram(NAgentBuild agent) {
    return agent == NAgentBuild::ShortPause ? fs::path(Q6_SHORT_PAUSE_AGENT)
                                            : fs::path(Q6_BIN_DIR) / "q6tsa";
}

void CopyBuildOutputs(NAgentBuild agent, const fs::path& to) {
    const fs::path from = Q6_BIN_DIR;
    fs::copy_file(AgentProgram(agent), to / "q6tsa");
    for (const char* name : {"qxipcdll.dll", "q6ipc"}) {
        fs::copy_file(from / name, to / name);
    }
    fs::copy(from / "registry", to / "registry", fs::copy_options::recursive);
}

template <class Probe>
auto PollUntil(std::chrono::milliseconds timeout, Probe probe) -> decltype(probe()) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto result = probe();
        if (result || std::chrono::steady_clock::now() >= deadline) {
            return result;
        }
        std::this_thread::sleep_for(kPollPause);
    }
}

}  // namespace

NAgentSandbox::NAgentSandbox(NAgentBuild agent, const std::string& binFolderName)
    : m_publishPause(agent == NAgentBuild::ShortPause ? NShortPauseAgent::kPublishPause
                                                      : q6tsa::kPublishPause),
      m_strBinFolderName(binFolderName),
      m_strNamespace(
          "e2e" + std::to_string(::getpid()) + "x" +
          std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000)) {
    fs::create_directories(BinFolder());
    CopyBuildOutputs(agent, BinFolder());
    fs::create_directories(Folder() / "log");
    fs::create_directories(Folder() / "profile");
    // An unprivileged agent must be able to reach its files and write its
    // log; only its folders for logs are open to all, sticky as /tmp is, so
    // that every path stays a trusted one.
    for (const fs::path& folder : {Folder(), BinFolder()}) {
        fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    }
    for (const fs::path& folder : {Folder() / "log", Folder() / "profile"}) {
        fs::permissions(folder, fs::perms::all | fs::perms::sticky_bit);
    }
    WriteProperties(true);
}

NAgentSandbox::~NAgentSandbox() {
    m_vecStarted.clear();  // kills what still runs before its objects go
    RemoveObjects();
}

fs::path NAgentSandbox::ObjectFolder() const {
    return NOs::GetObjectSpacePath(NOs::NObjectSpace::Machine, m_strNamespace);
}

std::vector<std::string> NAgentSandbox::Objects() const {
    std::vector<std::string> objects;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(ObjectFolder(), error)) {
        objects.push_back(entry.path().filename().string());
    }
    return objects;
}

void NAgentSandbox::RemoveObjects() {
    static_cast<void>(NOs::RemoveObjectNamespace(m_strNamespace));
}

void NAgentSandbox::WriteProperties(bool allowVirtualMachine) {
    std::ofstream properties(BinFolder() / "q6agent.properties", std::ios::trunc);
    properties << "[log]\npath=" << (Folder() / "log").string() << "\n";
    if (allowVirtualMachine) {
        properties << "[agent]\nallowVirtualMachine=1\n";
    }
}

void NAgentSandbox::RemoveIpcLibrary() { fs::remove(BinFolder() / "qxipcdll.dll"); }

std::vector<std::string> NAgentSandbox::Environment() const {
    return {"Q6_SHM_NAMESPACE=" + m_strNamespace,
            "ALLUSERSPROFILE=" + (Folder() / "profile").string(), "PATH=/usr/bin:/bin"};
}

pid_t NAgentSandbox::Start(const std::vector<std::string>& arguments, uid_t uid) {
    return Spawn((BinFolder() / "q6tsa").string(), arguments, uid);
}

pid_t NAgentSandbox::StartProgram(const std::string& program,
                                  const std::vector<std::string>& arguments, uid_t uid) {
    return Spawn(program, arguments, uid);
}

NChildResult NAgentSandbox::RunReader(const std::vector<std::string>& arguments, uid_t uid,
                                      std::chrono::milliseconds timeout) const {
    NChildOptions options;
    options.vecEnvironment = Environment();
    options.nUid = uid;
    options.timeout = timeout;
    return NChildProcess::Run((BinFolder() / "q6ipc").string(), arguments, options);
}

// What the sandbox starts sees only the sandbox's environment, and writes
// into this process's outputs, where a sanitizer's report then shows.
pid_t NAgentSandbox::Spawn(const std::string& program, const std::vector<std::string>& arguments,
                           uid_t uid) {
    NChildOptions options;
    options.vecEnvironment = Environment();
    options.bInheritEnvironment = false;
    options.nUid = uid;
    options.bInheritOutputs = true;
    auto child = std::make_unique<NChildProcess>();
    if (!child->Start(program, arguments, options)) {
        return -1;
    }
    m_vecStarted.push_back(std::move(child));
    return m_vecStarted.back()->Pid();
}

NChildProcess* NAgentSandbox::Find(pid_t pid) {
    const auto found = std::find_if(m_vecStarted.begin(), m_vecStarted.end(),
                                    [pid](const auto& child) { return child->Pid() == pid; });
    return found == m_vecStarted.end() ? nullptr : found->get();
}

std::optional<int> NAgentSandbox::WaitForExit(pid_t pid, std::chrono::milliseconds timeout) {
    NChildProcess* child = Find(pid);
    const std::optional<int> exitCode =
        child != nullptr ? child->WaitForExit(timeout) : std::nullopt;
    if (exitCode) {
        Forget(pid);
    }
    return exitCode;
}

void NAgentSandbox::Kill(pid_t pid) { Forget(pid); }

// Its handle kills a child that still runs, and a reaped one is never
// killed: its process id may soon belong to another process.
void NAgentSandbox::Forget(pid_t pid) {
    m_vecStarted.erase(std::remove_if(m_vecStarted.begin(), m_vecStarted.end(),
                                      [pid](const auto& child) { return child->Pid() == pid; }),
                       m_vecStarted.end());
}

fs::path NAgentSandbox::LogFile() const { return LogFolder() / "q6tsa.log"; }

std::string NAgentSandbox::ReadLog() const { return NFileText::Read(LogFile()); }

bool NAgentSandbox::WaitForLog(const std::string& fragment,
                               std::chrono::milliseconds timeout) const {
    return PollUntil(timeout, [&] { return ReadLog().find(fragment) != std::string::npos; });
}

std::optional<std::string> NAgentSandbox::ReadSlot(uint32_t slot) const {
    const NChildResult result = RunReader({"get", std::to_string(slot), "--raw"});
    if (result.nExitCode != 0) {
        return std::nullopt;
    }
    return result.strOut;
}

std::optional<std::string> NAgentSandbox::WaitForSlot(uint32_t slot,
                                                      std::chrono::milliseconds timeout) const {
    return PollUntil(timeout, [&] { return ReadSlot(slot); });
}

std::optional<std::string> NAgentSandbox::WaitForNextSlot(uint32_t slot,
                                                          const std::string& previous,
                                                          std::chrono::milliseconds timeout) const {
    return PollUntil(timeout, [&]() -> std::optional<std::string> {
        std::optional<std::string> bytes = ReadSlot(slot);
        return bytes != previous ? bytes : std::nullopt;
    });
}

std::optional<std::string> NAgentSandbox::WaitForNextPublication(
    uint32_t slot, std::chrono::milliseconds timeout) const {
    return WaitForNextSlot(slot, ReadSlot(slot).value_or(""), timeout);
}

int NAgentSandbox::WaitForEvent(const std::string& eventName, int timeoutMs) const {
    return RunReader({"wait", eventName, "--timeout", std::to_string(timeoutMs)}).nExitCode;
}

uint64_t NAgentSandbox::CurrentTick() { return NOs::GetTickCount64(); }

std::optional<NPublishedRecord> ParseSlotRecord(const std::string& slotBytes) {
    const std::string text = TextOfSlotBytes(slotBytes);
    return slotBytes == SlotBytesOf(text) ? ParsePublishedRecord(text) : std::nullopt;
}
