#pragma once
// What the tests of qxipcdll.dll share: a namespace of their own with the
// driver loaded, and the names and files of the driver's objects.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "ipcdrv/qxipcdll.h"
#include "ipcdrv/shm_layout.h"
#include "os/linux/shared_memory.h"
#include "os/named_object_space.h"
#include "tests/support/object_namespace.h"
#include "tests/support/test_constants.h"

using NTestConstants::kMiniSlot;
using NTestConstants::kSlot;

inline NOs::NObjectName SlotObjectName(uint32_t id) {
    char name[sizeof("slot.XXXXXXXX")];
    std::snprintf(name, sizeof(name), "slot.%08X", static_cast<unsigned>(id));
    return NObjectNamespace::Object(NOs::NObjectSpace::Machine, NIpcShm::kScope, name);
}

inline NOs::NObjectName ControlObjectName() {
    return NObjectNamespace::Object(NOs::NObjectSpace::Machine, NIpcShm::kScope,
                                    NIpcShm::kControlName);
}

inline std::string ObjectPath(const NOs::NObjectName& name) { return NOs::GetObjectPath(name); }

inline struct stat StatObject(const NOs::NObjectName& name) {
    struct stat info {};
    ::stat(ObjectPath(name).c_str(), &info);
    return info;
}

// The object mapped for writing, as only root may.
inline std::unique_ptr<NOs::NSharedMemory> MapForWriting(const NOs::NObjectName& name,
                                                         size_t size) {
    auto memory = NOs::NSharedMemory::Open(name, size, true);
    return memory ? memory.Take() : nullptr;
}

// A kept mapping notices a change made from outside the library within this.
inline void WaitForKeptMappingsToLook() {
    std::this_thread::sleep_for(std::chrono::milliseconds(QXIPC_KEPT_RECHECK_MS + 30));
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

// Why this thread's last failed call failed, cut to capacity - 1 bytes.
inline std::string LastIpcError(uint32_t capacity = 256) {
    std::string text(capacity, '\0');
    text.resize(fnGetIpcLastError(text.data(), capacity));
    return text;
}

// The driver's objects are root's: the tests make them as root.
class IpcDriverUnloadedTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root: only root makes the driver's objects";
        }
    }

    NObjectNamespace m_namespace;
};

class IpcDriverTest : public IpcDriverUnloadedTest {
protected:
    void SetUp() override {
        IpcDriverUnloadedTest::SetUp();
        if (!IsSkipped()) {
            ASSERT_EQ(fnLoadIpcDriver(), 1);
        }
    }
};
