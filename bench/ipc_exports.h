#pragma once
// The exports of the real qxipcdll.dll beside the running executable that
// the slot benchmarks call, with the driver loaded.

#include <cstdint>
#include <string>

#include "ipcdrv/qxipcdll.h"
#include "os/dynamic_library.h"
#include "os/result.h"

namespace NBench {

class NIpcExports {
public:
    // Loads the library, binds the exports and loads the driver; or why not.
    static NOs::NTextResult<NIpcExports> Load();

    // The same, with text (UTF-16, its terminator included) stored in slot.
    static NOs::NTextResult<NIpcExports> LoadHolding(uint32_t slot, const std::u16string& text);

    int32_t SetData(uint32_t id, const void* data, uint32_t size) const {
        return m_fnSetData(id, data, size);
    }
    int32_t GetData(uint32_t id, void* buffer, uint32_t capacity, uint32_t* size) const {
        return m_fnGetData(id, buffer, capacity, size);
    }

private:
    NIpcExports() = default;

    NOs::NDynamicLibrary m_library;
    PFN_IPC_SET_DATA m_fnSetData = nullptr;
    PFN_IPC_GET_DATA m_fnGetData = nullptr;
};

// Bytes of text in a slot, its terminator included.
inline uint32_t SlotBytes(const std::u16string& text) {
    return static_cast<uint32_t>((text.size() + 1) * sizeof(char16_t));
}

}  // namespace NBench
