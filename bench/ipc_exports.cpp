#include "bench/ipc_exports.h"

#include "libq6time/slot_reader.h"

namespace NBench {

NOs::NTextResult<NIpcExports> NIpcExports::Load() {
    NIpcExports ipc;
    if (const NOs::NLibraryStatus loaded = NQ6Time::LoadIpcLibrary(ipc.m_library); !loaded) {
        return loaded.Error();
    }
    const auto fnLoadIpcDriver = ipc.m_library.FindFunction<PFN_IPC_VOID>("fnLoadIpcDriver");
    const auto fnSetData = ipc.m_library.FindFunction<PFN_IPC_SET_DATA>("fnSetData");
    const auto fnGetData = ipc.m_library.FindFunction<PFN_IPC_GET_DATA>("fnGetData");
    if (!fnLoadIpcDriver || !fnSetData || !fnGetData) {
        return NOs::NReason("missing export in qxipcdll.dll");
    }
    if (fnLoadIpcDriver.Value()() == 0) {
        return NOs::NReason("the IPC driver does not load");
    }
    ipc.m_fnSetData = fnSetData.Value();
    ipc.m_fnGetData = fnGetData.Value();
    return ipc;
}

NOs::NTextResult<NIpcExports> NIpcExports::LoadHolding(uint32_t slot, const std::u16string& text) {
    NOs::NTextResult<NIpcExports> ipc = Load();
    if (ipc && ipc.Value().SetData(slot, text.c_str(), SlotBytes(text)) == 0) {
        return NOs::NReason("fnSetData failed");
    }
    return ipc;
}

}  // namespace NBench
