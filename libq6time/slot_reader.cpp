#include "libq6time/slot_reader.h"

#include <cstdio>

#include "base/text_convert.h"
#include "os/module_file.h"
#include "text/path_text.h"
#include "text/utf16le_bytes.h"

namespace NQ6Time {
namespace {

constexpr char kLibraryName[] = "qxipcdll.dll";

std::string SlotLabel(uint32_t slot) { return "slot " + SlotIdText(slot); }

}  // namespace

std::string SlotIdText(uint32_t slot) {
    char text[sizeof("0xXXXXXXXX")];
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(slot));
    return text;
}

std::string IpcLibraryBesideExecutable() {
    const std::optional<std::string> folder = NOs::GetModuleFolder(nullptr);
    return folder ? NOs::JoinPath(*folder, kLibraryName) : std::string();
}

bool LoadIpcLibrary(NOs::NDynamicLibrary& library, std::string& error, const std::string& path) {
    if (!library.Open(path)) {
        error = "cannot load " + path + ": " + library.GetError();
        return false;
    }
    return true;
}

NSlotReader::NSlotReader() : NSlotReader(IpcLibraryBesideExecutable()) {}

NSlotReader::NSlotReader(const std::string& libraryPath) {
    if (!LoadIpcLibrary(m_library, m_strError, libraryPath)) {
        return;
    }
    m_fnGetData = m_library.FindFunction<PFN_IPC_GET_DATA>("fnGetData");
    if (m_fnGetData == nullptr) {
        m_strError = m_library.GetError();
        return;
    }
    m_fnGetDataStamp = m_library.FindFunction<PFN_IPC_GET_DATA_STAMP>("fnGetDataStamp");
    m_fnWaitData = m_library.FindFunction<PFN_IPC_WAIT_DATA>("fnWaitData");
}

std::optional<uint64_t> NSlotReader::Stamp(uint32_t slot) const {
    uint64_t stamp = 0;
    if (m_fnGetDataStamp == nullptr || m_fnGetDataStamp(slot, &stamp) == 0) {
        return std::nullopt;
    }
    return stamp;
}

bool NSlotReader::WaitForNewer(uint32_t slot, uint64_t stamp, uint32_t timeoutMs) const {
    return m_fnWaitData != nullptr && m_fnWaitData(slot, stamp, timeoutMs) != 0;
}

std::optional<std::string> NSlotReader::Read(uint32_t slot) {
    if (!IsReady()) {
        return std::nullopt;
    }
    std::string bytes(QXIPC_MAX_DATA_SIZE, '\0');
    uint32_t size = 0;
    if (m_fnGetData(slot, bytes.data(), static_cast<uint32_t>(bytes.size()), &size) == 0) {
        m_strError = SlotLabel(slot) + " is missing or cannot be read";
        return std::nullopt;
    }
    bytes.resize(size);
    return bytes;
}

std::string SlotTextToUtf8(const std::string& bytes) {
    std::u16string text = NOs::DecodeUtf16Le(bytes);
    const size_t end = text.find(u'\0');
    if (end != std::u16string::npos) {
        text.resize(end);
    } else if (bytes.size() % 2 != 0) {
        text += u'\uFFFD';
    }
    return NUtf::ToUtf8(text);
}

}  // namespace NQ6Time
