#include "bench/ipc_exports.h"

#include "libq6time/slot_reader.h"

namespace NBench {

NIpcExports::NIpcExports() {
    const NOs::NTextStatus loaded = NQ6Time::LoadIpcLibrary(m_library);
    if (!loaded) {
        m_strError = loaded.Error().Message();
        return;
    }
    const auto fnLoadIpcDriver = m_library.FindFunction<PFN_IPC_VOID>("fnLoadIpcDriver");
    m_fnSetData = m_library.FindFunction<PFN_IPC_SET_DATA>("fnSetData");
    m_fnGetData = m_library.FindFunction<PFN_IPC_GET_DATA>("fnGetData");
    if (fnLoadIpcDriver == nullptr || m_fnSetData == nullptr || m_fnGetData == nullptr) {
        m_strError = "missing export in qxipcdll.dll";
    } else if (fnLoadIpcDriver() == 0) {
        m_strError = "the IPC driver does not load";
    }
}

}  // namespace NBench
