#pragma once
// The exports of the real qxipcdll.dll beside the running executable that
// the slot benchmarks call, with the driver loaded.

#include <cstdint>
#include <string>

#include "ipcdrv/qxipcdll.h"
#include "os/dynamic_library.h"

namespace NBench {

class NIpcExports {
public:
    // Loads the library, binds the exports and loads the driver; IsReady and
    // GetError tell the outcome.
    NIpcExports();

    bool IsReady() const { return m_strError.empty(); }
    const std::string& GetError() const { return m_strError; }

    int32_t SetData(uint32_t id, const void* data, uint32_t size) const {
        return m_fnSetData(id, data, size);
    }
    int32_t GetData(uint32_t id, void* buffer, uint32_t capacity, uint32_t* size) const {
        return m_fnGetData(id, buffer, capacity, size);
    }

private:
    NOs::NDynamicLibrary m_library;
    PFN_IPC_SET_DATA m_fnSetData = nullptr;
    PFN_IPC_GET_DATA m_fnGetData = nullptr;
    std::string m_strError;
};

}  // namespace NBench
