#pragma once
// A temporary copy of build/bin (agent, qxipcdll.dll, q6ipc, registry) with
// its own q6agent.properties, log folder and shared-memory namespace, so that
// tests run the real binaries side by side without meeting each other.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/published_record.h"
#include "support/temp_folder.h"

class NAgentSandbox {
public:
    static constexpr char kLaunchId[] = "5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38";

    NAgentSandbox();
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
    pid_t StartProgram(const std::string& program, const std::vector<std::string>& arguments);
    // The exit code, or nothing when the process is still running after timeout.
    std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds timeout);
    void Kill(pid_t pid);

    std::string ReadLog() const;
    // Polls the log until it holds fragment; false after timeout.
    bool WaitForLog(const std::string& fragment, std::chrono::milliseconds timeout) const;
    // Raw bytes of the slot as q6ipc prints them; nothing while it is empty.
    std::optional<std::string> ReadSlot(uint32_t slot) const;
    std::optional<std::string> WaitForSlot(uint32_t slot, std::chrono::milliseconds timeout) const;
    // q6ipc's exit code for "wait EVENT --timeout MS".
    int WaitForEvent(const std::string& eventName, int timeoutMs) const;

    // The machine's tick, as a starter passes it in argument 4.
    static uint64_t CurrentTick();

    const std::filesystem::path& Folder() const { return m_folder.Path(); }
    std::filesystem::path LogFolder() const { return Folder() / "log"; }
    // Q6_SHM_NAMESPACE of everything started in the sandbox.
    const std::string& Namespace() const { return m_strNamespace; }
    // The sandbox's objects in /dev/shm, as paths.
    std::vector<std::filesystem::path> ShmObjects() const;
    void RemoveShmObjects();

private:
    std::vector<std::string> Environment() const;
    std::filesystem::path LogFile() const;
    pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments, uid_t uid);
    void Forget(pid_t pid);

    NTempFolder m_folder;
    std::string m_strNamespace;
    std::vector<pid_t> m_vecStarted;
};

// The UTF-16LE bytes of a UTF-8 text with its terminating zero code unit, as
// the agent writes into a slot.
std::string SlotBytesOf(const std::string& utf8);
// The UTF-8 text of slot bytes, without the terminating zero code unit.
std::string TextOfSlotBytes(const std::string& bytes);

// The record in slot bytes; nothing unless they hold a record (see
// ParsePublishedRecord) as UTF-16LE with one terminating zero unit.
std::optional<NPublishedRecord> ParseSlotRecord(const std::string& slotBytes);
