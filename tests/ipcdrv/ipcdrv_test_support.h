#pragma once
// What the tests of qxipcdll.dll share: a namespace of their own with the
// driver loaded, and the names and files of the driver's objects.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ipcdrv/qxipcdll.h"
#include "ipcdrv/shm_layout.h"
#include "os/shared_memory.h"
#include "tests/support/shm_namespace.h"

constexpr uint32_t kSlot = 0x30000259;
constexpr uint32_t kMiniSlot = 0x40000259;

inline std::string SlotObjectName(uint32_t id) {
    char name[sizeof("slot.XXXXXXXX")];
    std::snprintf(name, sizeof(name), "slot.%08X", static_cast<unsigned>(id));
    return NOs::MakeSharedMemoryName(NIpcShm::kScope, name);
}

inline std::string ControlObjectName() {
    return NOs::MakeSharedMemoryName(NIpcShm::kScope, NIpcShm::kControlName);
}

inline struct stat StatObject(const std::string& objectName) {
    struct stat info {};
    ::stat(NOs::GetSharedMemoryPath(objectName).c_str(), &info);
    return info;
}

inline int32_t SetText(uint32_t id, const std::string& text) {
    return fnSetData(id, text.data(), static_cast<uint32_t>(text.size()));
}

// The slot's value; "<missing>" when it cannot be read.
inline std::string GetText(uint32_t id) {
    std::string value(QXIPC_MAX_DATA_SIZE, '\0');
    uint32_t size = 0;
    if (fnGetData(id, value.data(), static_cast<uint32_t>(value.size()), &size) == 0) {
        return "<missing>";
    }
    value.resize(size);
    return value;
}

class IpcDriverTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(fnLoadIpcDriver(), 1); }

    NShmNamespace m_namespace;
};
