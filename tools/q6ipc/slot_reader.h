#pragma once
// Reads data slots through the IPC driver library qxipcdll.dll that lies in
// the folder of the running executable.

#include <cstdint>
#include <optional>
#include <string>

#include "ipcdrv/qxipcdll.h"
#include "os/dynamic_library.h"

namespace NQ6Ipc {

class NSlotReader {
public:
    // Loads the library; IsReady and GetError tell the outcome.
    NSlotReader();

    bool IsReady() const { return m_fnGetData != nullptr; }
    const std::string& GetError() const { return m_strError; }

    // The slot's bytes; nothing, with the reason in GetError, when the slot
    // cannot be read.
    std::optional<std::string> Read(uint32_t slot);

    // The slot's stamp (fnGetDataStamp); nothing when the library has no
    // stamps or the slot cannot be read.
    std::optional<uint64_t> Stamp(uint32_t slot) const;

private:
    NOs::NDynamicLibrary m_library;
    PFN_IPC_GET_DATA m_fnGetData = nullptr;
    PFN_IPC_GET_DATA_STAMP m_fnGetDataStamp = nullptr;  // optional: the suite's library has none
    std::string m_strError;
};

// Loads qxipcdll.dll from the running executable's folder into library;
// false, with the reason in error, when it cannot be loaded.
bool LoadIpcLibrary(NOs::NDynamicLibrary& library, std::string& error);

// A slot's identifier as 0x and eight hexadecimal digits.
std::string SlotIdText(uint32_t slot);

// The UTF-16LE text at the start of bytes, up to its first zero code unit,
// as UTF-8. An odd last byte becomes U+FFFD.
std::string SlotTextToUtf8(const std::string& bytes);

}  // namespace NQ6Ipc
