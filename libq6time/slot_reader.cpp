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
    const NOs::NResult<std::string> folder = NOs::GetModuleFolder(nullptr);
    return folder ? NOs::JoinPath(folder.Value(), kLibraryName) : std::string();
}

NOs::NLibraryStatus LoadIpcLibrary(NOs::NDynamicLibrary& library, const std::string& path) {
    return library.Open(path);
}

NSlotReader::NSlotReader() : NSlotReader(IpcLibraryBesideExecutable()) {}

NSlotReader::NSlotReader(const std::string& libraryPath)
    : m_loaded(LoadIpcLibrary(m_library, libraryPath)) {
    if (!m_loaded) {
        return;
    }
    const NOs::NTextResult<PFN_IPC_GET_DATA> getData =
        m_library.FindFunction<PFN_IPC_GET_DATA>("fnGetData");
    if (!getData) {
        m_loaded = NOs::NLibraryError(getData.Error().Message());
        return;
    }
    m_fnGetData = getData.Value();
    m_fnGetDataStamp =
        m_library.FindFunction<PFN_IPC_GET_DATA_STAMP>("fnGetDataStamp").ValueOr(nullptr);
    m_fnWaitData = m_library.FindFunction<PFN_IPC_WAIT_DATA>("fnWaitData").ValueOr(nullptr);
}

NOs::NTextResult<uint64_t> NSlotReader::Stamp(uint32_t slot) const {
    if (m_fnGetDataStamp == nullptr) {
        return NOs::NReason("the IPC library has no stamps");
    }
    uint64_t stamp = 0;
    if (m_fnGetDataStamp(slot, &stamp) == 0) {
        return NOs::NReason(SlotLabel(slot) + " has no stamp");
    }
    return stamp;
}

NOs::NTextStatus NSlotReader::WaitForNewer(uint32_t slot, uint64_t stamp,
                                           uint32_t timeoutMs) const {
    if (m_fnWaitData == nullptr) {
        return NOs::NReason("the IPC library cannot wait");
    }
    if (m_fnWaitData(slot, stamp, timeoutMs) == 0) {
        return NOs::NReason("no new value of " + SlotLabel(slot) + " within " +
                            std::to_string(timeoutMs) + " ms");
    }
    return NOs::Ok<NOs::NReason>();
}

NOs::NTextResult<std::string> NSlotReader::Read(uint32_t slot) const {
    if (!m_loaded) {
        return m_loaded.Error();
    }
    std::string bytes(QXIPC_MAX_DATA_SIZE, '\0');
    uint32_t size = 0;
    if (m_fnGetData(slot, bytes.data(), static_cast<uint32_t>(bytes.size()), &size) == 0) {
        return NOs::NReason(SlotLabel(slot) + " is missing or cannot be read");
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
