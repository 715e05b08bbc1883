#pragma once
// Reads data slots, and waits for their next values, through an IPC driver
// library qxipcdll.dll: by default the one in the folder of the running
// executable.

#include <cstdint>
#include <string>

#include "ipcdrv/qxipcdll.h"
#include "os/dynamic_library.h"
#include "os/result.h"

namespace NQ6Time {

class NSlotReader {
public:
    // Loads the library beside the executable, or the one at libraryPath;
    // Loaded tells the outcome.
    NSlotReader();
    explicit NSlotReader(const std::string& libraryPath);

    // Success once the library is loaded with fnGetData, else why not.
    const NOs::NLibraryStatus& Loaded() const { return m_loaded; }
    // Whether the library has all the exports that Stamp and WaitForNewer use.
    bool CanWait() const { return m_fnGetDataStamp != nullptr && m_fnWaitData != nullptr; }

    // The slot's bytes, or why they cannot be read.
    NOs::NTextResult<std::string> Read(uint32_t slot) const;

    // The slot's stamp (fnGetDataStamp), or why there is none: the library
    // has no stamps, or the slot cannot be read.
    NOs::NTextResult<uint64_t> Stamp(uint32_t slot) const;

    // fnWaitData: success once the slot holds a value whose stamp is not
    // stamp; a failure when timeoutMs ran out first or the library cannot wait.
    NOs::NTextStatus WaitForNewer(uint32_t slot, uint64_t stamp, uint32_t timeoutMs) const;

private:
    NOs::NDynamicLibrary m_library;
    NOs::NLibraryStatus m_loaded;
    PFN_IPC_GET_DATA m_fnGetData = nullptr;
    // Optional: the suite's library has neither.
    PFN_IPC_GET_DATA_STAMP m_fnGetDataStamp = nullptr;
    PFN_IPC_WAIT_DATA m_fnWaitData = nullptr;
};

// The path of qxipcdll.dll in the running executable's folder; empty when
// that folder cannot be told.
std::string IpcLibraryBesideExecutable();

// Loads qxipcdll.dll from path (by default the running executable's folder)
// into library.
NOs::NLibraryStatus LoadIpcLibrary(NOs::NDynamicLibrary& library,
                                   const std::string& path = IpcLibraryBesideExecutable());

// A slot's identifier as 0x and eight hexadecimal digits.
std::string SlotIdText(uint32_t slot);

// The UTF-16LE text at the start of bytes, up to its first zero code unit,
// as UTF-8. An odd last byte becomes U+FFFD.
std::string SlotTextToUtf8(const std::string& bytes);

}  // namespace NQ6Time
