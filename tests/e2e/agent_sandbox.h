#pragma once
// A temporary copy of build/bin (agent, qxipcdll.dll, q6ipc, registry) with
// its own q6agent.properties, log folder and shared-memory namespace, so that
// tests run the real binaries side by side without meeting each other.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/published_record.h"
#include "tests/support/slot_text.h"
#include "tests/support/temp_folder.h"

// Which agent a sandbox runs under the agent's name.
enum class NAgentBuild {
    Product,     // the agent itself, with its pause of q6tsa::kPublishPause
    ShortPause,  // its code with the pause of NShortPauseAgent::kPublishPause
};

class NAgentSandbox {
public:
    static constexpr char kLaunchId[] = "5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38";
    // How long a test waits for what the agent does at once: ample on a busy
    // machine, and only spent when the agent fails.
    static constexpr std::chrono::milliseconds kPatience{15000};
    // How far before now a test's anchor tick lies.
    static constexpr uint64_t kTicksBeforeStart = 5000;

    // The binaries go into the folder binFolderName of the sandbox (the
    // sandbox itself when empty), which may be any name of the system's.
    explicit NAgentSandbox(NAgentBuild agent = NAgentBuild::Product,
                           const std::string& binFolderName = "");
    ~NAgentSandbox();
    NAgentSandbox(const NAgentSandbox&) = delete;
    NAgentSandbox& operator=(const NAgentSandbox&) = delete;

    // Rewrites q6agent.properties: the log goes into the sandbox, and the
    // virtual machine opt-in is written when allowVirtualMachine.
    void WriteProperties(bool allowVirtualMachine);
    void RemoveIpcLibrary();

    // Starts the agent with these arguments (after the program path) as user
    // uid; the sandbox kills whatever is still running when it goes away.
    pid_t Start(const std::vector<std::string>& arguments, uid_t uid = 0);
    // Starts any program the same way, with the sandbox's environment.
    pid_t StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                       uid_t uid = 0);
    // Runs the sandbox's q6ipc to its end, as user uid, killed at the time
    // limit (none: 0).
    NChildResult RunReader(const std::vector<std::string>& arguments, uid_t uid = 0,
                           std::chrono::milliseconds timeout = std::chrono::milliseconds(0)) const;
    // The exit code, or nothing when the process is still running after timeout.
    std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds timeout);
    void Kill(pid_t pid);

    std::string ReadLog() const;
    // Polls the log until it holds fragment; false after timeout.
    bool WaitForLog(const std::string& fragment, std::chrono::milliseconds timeout) const;
    // Raw bytes of the slot as q6ipc prints them; nothing while it is empty.
    std::optional<std::string> ReadSlot(uint32_t slot) const;
    std::optional<std::string> WaitForSlot(uint32_t slot, std::chrono::milliseconds timeout) const;
    // The slot's bytes once they differ from previous; nothing after timeout.
    std::optional<std::string> WaitForNextSlot(uint32_t slot, const std::string& previous,
                                               std::chrono::milliseconds timeout) const;
    // The first value published into the slot from now on.
    std::optional<std::string> WaitForNextPublication(uint32_t slot,
                                                      std::chrono::milliseconds timeout) const;
    // q6ipc's exit code for "wait EVENT --timeout MS".
    int WaitForEvent(const std::string& eventName, int timeoutMs) const;

    // The machine's tick, as a starter passes it in argument 4.
    static uint64_t CurrentTick();

    // The pause of the agent that the sandbox runs.
    std::chrono::milliseconds PublishPause() const { return m_publishPause; }
    const std::filesystem::path& Folder() const { return m_folder.Path(); }
    std::filesystem::path BinFolder() const {
        return m_strBinFolderName.empty() ? Folder() : Folder() / m_strBinFolderName;
    }
    std::filesystem::path LogFolder() const { return Folder() / "log"; }
    // Q6_SHM_NAMESPACE of everything started in the sandbox.
    const std::string& Namespace() const { return m_strNamespace; }
    // The folder of the machine's objects of the sandbox's namespace, and
    // the names of the objects in it.
    std::filesystem::path ObjectFolder() const;
    std::vector<std::string> Objects() const;
    void RemoveObjects();

private:
    std::vector<std::string> Environment() const;
    std::filesystem::path LogFile() const;
    pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments, uid_t uid);
    NChildProcess* Find(pid_t pid);
    void Forget(pid_t pid);

    NTempFolder m_folder;
    std::chrono::milliseconds m_publishPause;
    std::string m_strBinFolderName;
    std::string m_strNamespace;
    std::vector<std::unique_ptr<NChildProcess>> m_vecStarted;
};

// The record in slot bytes; nothing unless they hold a record (see
// ParsePublishedRecord) as UTF-16LE with one terminating zero unit.
std::optional<NPublishedRecord> ParseSlotRecord(const std::string& slotBytes);
