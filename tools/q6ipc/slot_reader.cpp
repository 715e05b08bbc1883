#include "tools/q6ipc/slot_reader.h"

#include <cstdio>

#include "base/text_convert.h"
#include "os/module_file.h"
#include "text/path_text.h"
#include "text/utf16le_bytes.h"

namespace NQ6Ipc {
namespace {

constexpr char kLibraryName[] = "qxipcdll.dll";

std::string LibraryPath() {
    const std::optional<std::string> folder = NOs::GetModuleFolder(nullptr);
    return folder ? NOs::JoinPath(*folder, kLibraryName) : std::string();
}

std::string SlotLabel(uint32_t slot) { return "slot " + SlotIdText(slot); }

}  // namespace

std::string SlotIdText(uint32_t slot) {
    char text[sizeof("0xXXXXXXXX")];
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(slot));
    return text;
}

bool LoadIpcLibrary(NOs::NDynamicLibrary& library, std::string& error) {
    const std::string path = LibraryPath();
    if (!library.Open(path)) {
        error = "cannot load " + path + ": " + library.GetError();
        return false;
    }
    return true;
}

NSlotReader::NSlotReader() {
    if (!LoadIpcLibrary(m_library, m_strError)) {
        return;
    }
    m_fnGetData = m_library.FindFunction<PFN_IPC_GET_DATA>("fnGetData");
    if (m_fnGetData == nullptr) {
        m_strError = m_library.GetError();
        return;
    }
    m_fnGetDataStamp = m_library.FindFunction<PFN_IPC_GET_DATA_STAMP>("fnGetDataStamp");
}

std::optional<uint64_t> NSlotReader::Stamp(uint32_t slot) const {
    uint64_t stamp = 0;
    if (m_fnGetDataStamp == nullptr || m_fnGetDataStamp(slot, &stamp) == 0) {
        return std::nullopt;
    }
    return stamp;
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

}  // namespace NQ6Ipc
