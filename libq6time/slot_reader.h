#pragma once
// Reads data slots, and waits for their next values, through an IPC driver
// library qxipcdll.dll: by default the one in the folder of the running
// executable.

#include <cstdint>
#include <optional>
#include <string>

#include "ipcdrv/qxipcdll.h"
#include "os/dynamic_library.h"

namespace NQ6Time {

class NSlotReader {
public:
    // Loads the library beside the executable, or the one at libraryPath;
    // IsReady and GetError tell the outcome.
    NSlotReader();
    explicit NSlotReader(const std::string& libraryPath);

    bool IsReady() const { return m_fnGetData != nullptr; }
    const std::string& GetError() const { return m_strError; }
    // Whether the library could not be loaded for want of the system's
    // resources rather than because of its file.
    bool IsOutOfResources() const { return m_library.IsOutOfResources(); }
    // Whether the library has all the exports that Stamp and WaitForNewer use.
    bool CanWait() const { return m_fnGetDataStamp != nullptr && m_fnWaitData != nullptr; }

    // The slot's bytes; nothing, with the reason in GetError, when the slot
    // cannot be read.
    std::optional<std::string> Read(uint32_t slot);

    // The slot's stamp (fnGetDataStamp); nothing when the library has no
    // stamps or the slot cannot be read.
    std::optional<uint64_t> Stamp(uint32_t slot) const;

    // fnWaitData: true once the slot holds a value whose stamp is not stamp,
    // false when timeoutMs ran out first or the library cannot wait.
    bool WaitForNewer(uint32_t slot, uint64_t stamp, uint32_t timeoutMs) const;

private:
    NOs::NDynamicLibrary m_library;
    PFN_IPC_GET_DATA m_fnGetData = nullptr;
    // Optional: the suite's library has neither.
    PFN_IPC_GET_DATA_STAMP m_fnGetDataStamp = nullptr;
    PFN_IPC_WAIT_DATA m_fnWaitData = nullptr;
    std::string m_strError;
};

// The path of qxipcdll.dll in the running executable's folder; empty when
// that folder cannot be told.
std::string IpcLibraryBesideExecutable();

// Loads qxipcdll.dll from path (by default the running executable's folder)
// into library; false, with the reason in error, when it cannot be loaded.
bool LoadIpcLibrary(NOs::NDynamicLibrary& library, std::string& error,
                    const std::string& path = IpcLibraryBesideExecutable());

// A slot's identifier as 0x and eight hexadecimal digits.
std::string SlotIdText(uint32_t slot);

// The UTF-16LE text at the start of bytes, up to its first zero code unit,
// as UTF-8. An odd last byte becomes U+FFFD.
std::string SlotTextToUtf8(const std::string& bytes);

}  // namespace NQ6Time
