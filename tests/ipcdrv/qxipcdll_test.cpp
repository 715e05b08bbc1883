#include "ipcdrv/qxipcdll.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/ipcdrv/ipcdrv_test_support.h"
#include "tests/support/forked_child.h"

namespace {

TEST_F(IpcDriverUnloadedTest, AWriteFailsUntilTheDriverIsLoaded) {
    EXPECT_EQ(fnIsLoadedIpcDriver(), 0);
    EXPECT_EQ(SetText(kSlot, "value"), 0);
    EXPECT_EQ(GetText(kSlot), "<missing>");

    EXPECT_EQ(fnLoadIpcDriver(), 1);
    EXPECT_EQ(fnIsLoadedIpcDriver(), 1);
    EXPECT_EQ(SetText(kSlot, "value"), 1);
    EXPECT_EQ(GetText(kSlot), "value");
}

TEST_F(IpcDriverUnloadedTest, RepairCreatesAMissingControlBlock) {
    EXPECT_EQ(fnIpcFixDriverConfig(), 1);
    EXPECT_EQ(fnIsLoadedIpcDriver(), 1);
}

TEST_F(IpcDriverUnloadedTest, TheObjectsAreReadableByAllAndWritableByTheirOwnerWhateverTheUmask) {
    const mode_t saved = ::umask(077);
    ASSERT_EQ(fnLoadIpcDriver(), 1);
    ASSERT_EQ(SetText(kSlot, "value"), 1);
    ::umask(saved);
    for (const NOs::NObjectName& name : {ControlObjectName(), SlotObjectName(kSlot)}) {
        const struct stat info = StatObject(name);
        EXPECT_EQ(info.st_mode & 07777, 0644u) << name.strEntry;
        EXPECT_EQ(info.st_uid, 0u) << name.strEntry;
    }
}

TEST(IpcDriverNamespaceTest, AnInvalidNamespaceLoadsNothing) {
    ::setenv(NOs::kObjectNamespaceVariable, "not/valid", 1);
    EXPECT_EQ(fnLoadIpcDriver(), 0);
    EXPECT_EQ(fnIpcFixDriverConfig(), 0);
    EXPECT_EQ(fnIsLoadedIpcDriver(), 0);
    EXPECT_EQ(fnIsInstalledIpcDriver(), 0);
    ::unsetenv(NOs::kObjectNamespaceVariable);
}

TEST_F(IpcDriverTest, LoadingAgainKeepsTheControlBlockAndTheData) {
    ASSERT_EQ(SetText(kSlot, "kept"), 1);
    const ino_t inode = StatObject(ControlObjectName()).st_ino;
    EXPECT_EQ(fnLoadIpcDriver(), 1);
    EXPECT_EQ(fnIpcFixDriverConfig(), 1);
    EXPECT_EQ(StatObject(ControlObjectName()).st_ino, inode);
    EXPECT_EQ(GetText(kSlot), "kept");
}

struct NDamageCase {
    const char* pszWhat;
    size_t nOffset;  // of the 32-bit field overwritten
    uint32_t nValue;
    off_t nTruncateTo;  // -1: size kept
};

TEST_F(IpcDriverTest, ADamagedControlBlockStopsTheDriverUntilItIsRepaired) {
    ASSERT_EQ(SetText(kSlot, "before"), 1);
    const std::vector<NDamageCase> cases = {
        {"magic", offsetof(NIpcShm::NControlObject, nMagic), 0xDEADBEEF, -1},
        {"layout", offsetof(NIpcShm::NControlObject, nLayout), 99, -1},
        {"slot size", offsetof(NIpcShm::NControlObject, nMaxDataSize), 1024, -1},
        {"object size", offsetof(NIpcShm::NControlObject, nSlotObjectSize), 1, -1},
        {"truncated", 0, 0, 8},
        {"grown", 0, 0, 4096},
    };
    const std::string path = ObjectPath(ControlObjectName());
    for (const NDamageCase& test : cases) {
        SCOPED_TRACE(test.pszWhat);
        ASSERT_EQ(fnLoadIpcDriver(), 1);
        if (test.nTruncateTo >= 0) {
            ASSERT_EQ(::truncate(path.c_str(), test.nTruncateTo), 0);
            WaitForKeptMappingsToLook();
        } else {
            const auto memory = MapForWriting(ControlObjectName(), sizeof(NIpcShm::NControlObject));
            ASSERT_NE(memory, nullptr);
            std::memcpy(static_cast<char*>(memory->GetData()) + test.nOffset, &test.nValue, 4);
        }
        EXPECT_EQ(fnIsLoadedIpcDriver(), 0);
        EXPECT_EQ(fnLoadIpcDriver(), 0);
        EXPECT_EQ(SetText(kSlot, "during"), 0);
        EXPECT_EQ(GetText(kSlot), "<missing>");

        EXPECT_EQ(fnIpcFixDriverConfig(), 1);
        EXPECT_EQ(fnLoadIpcDriver(), 1);
        EXPECT_EQ(GetText(kSlot), "before");
    }
}

TEST_F(IpcDriverTest, UnloadingStopsEveryDataOperationAndKeepsTheSlots) {
    ASSERT_EQ(SetText(kSlot, "kept"), 1);
    EXPECT_EQ(fnUnloadIpcDriver(), 1);
    EXPECT_EQ(fnIsLoadedIpcDriver(), 0);
    uint32_t size = 7;
    EXPECT_EQ(fnGetDataSize(kSlot, &size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(GetText(kSlot), "<missing>");
    EXPECT_EQ(SetText(kSlot, "new"), 0);
    EXPECT_EQ(fnDeleteData(kSlot), 0);
    EXPECT_EQ(fnUnloadIpcDriver(), 1);  // nothing left to remove

    ASSERT_EQ(fnLoadIpcDriver(), 1);
    EXPECT_EQ(GetText(kSlot), "kept");
}

TEST_F(IpcDriverTest, UninstallingRemovesTheDriverAndEverySlot) {
    ASSERT_EQ(SetText(kSlot, "a"), 1);
    ASSERT_EQ(SetText(kMiniSlot, "b"), 1);
    EXPECT_EQ(fnUninstallIpcDriver(), 1);
    EXPECT_EQ(fnIsLoadedIpcDriver(), 0);
    EXPECT_TRUE(m_namespace.Objects().empty());
}

TEST_F(IpcDriverTest, EachSlotHoldsItsOwnLastValue) {
    ASSERT_EQ(SetText(kSlot, "a long first value"), 1);
    ASSERT_EQ(SetText(kMiniSlot, "mini"), 1);
    ASSERT_EQ(SetText(kSlot, "short"), 1);
    EXPECT_EQ(GetText(kSlot), "short");
    EXPECT_EQ(GetText(kMiniSlot), "mini");
    EXPECT_EQ(GetText(0), "<missing>");
}

TEST_F(IpcDriverTest, ValuesUpToTheSlotSizeAreStoredWhole) {
    for (const uint32_t size :
         {0u, 1u, 7u, 8u, 9u, 132u, QXIPC_MAX_DATA_SIZE - 1, QXIPC_MAX_DATA_SIZE}) {
        std::string value(size, '\0');
        for (uint32_t i = 0; i < size; ++i) {
            value[i] = static_cast<char>(i * 31 + size);
        }
        ASSERT_EQ(SetText(kSlot, value), 1) << size;
        uint32_t stored = 0;
        EXPECT_EQ(fnGetDataSize(kSlot, &stored), 1);
        EXPECT_EQ(stored, size);
        EXPECT_EQ(GetText(kSlot), value) << size;
    }
    EXPECT_EQ(fnSetData(kSlot, nullptr, 0), 1);
    EXPECT_EQ(GetText(kSlot), "");
}

TEST_F(IpcDriverTest, InvalidWritesFailAndKeepTheValue) {
    ASSERT_EQ(SetText(kSlot, "kept"), 1);
    const std::string tooLarge(QXIPC_MAX_DATA_SIZE + 1, 'x');
    EXPECT_EQ(SetText(kSlot, tooLarge), 0);
    EXPECT_EQ(fnSetData(kSlot, nullptr, 5), 0);
    EXPECT_EQ(GetText(kSlot), "kept");
}

TEST_F(IpcDriverTest, ReadingReportsTheSizeNeededWhenTheBufferIsTooSmall) {
    ASSERT_EQ(SetText(kSlot, "0123456789"), 1);
    char buffer[16] = {};
    uint32_t size = 0;
    EXPECT_EQ(fnGetData(kSlot, buffer, 9, &size), 0);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(fnGetData(kSlot, nullptr, 0, &size), 0);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(fnGetData(kSlot, buffer, 10, &size), 1);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(std::string(buffer, size), "0123456789");
}

TEST_F(IpcDriverTest, ReadingWithoutASlotOrAPlaceForTheResultFails) {
    ASSERT_EQ(SetText(kSlot, "value"), 1);
    char buffer[16];
    uint32_t size = 5;
    EXPECT_EQ(fnGetData(kMiniSlot, buffer, sizeof(buffer), &size), 0);
    EXPECT_EQ(size, 0u);
    size = 5;
    EXPECT_EQ(fnGetDataSize(kMiniSlot, &size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(fnGetData(kSlot, buffer, sizeof(buffer), nullptr), 0);
    EXPECT_EQ(fnGetData(kSlot, nullptr, sizeof(buffer), &size), 0);
    EXPECT_EQ(fnGetDataSize(kSlot, nullptr), 0);
}

TEST_F(IpcDriverTest, DeletingRemovesTheSlot) {
    ASSERT_EQ(SetText(kSlot, "value"), 1);
    EXPECT_EQ(fnDeleteData(kSlot), 1);
    EXPECT_EQ(GetText(kSlot), "<missing>");
    EXPECT_EQ(fnDeleteData(kSlot), 1);
    EXPECT_EQ(SetText(kSlot, "again"), 1);
    EXPECT_EQ(GetText(kSlot), "again");
}

TEST_F(IpcDriverTest, ADamagedSlotIsUnreadableUntilItsOwnerWritesItAgain) {
    ASSERT_EQ(SetText(kSlot, "value"), 1);
    {
        const auto memory = MapForWriting(SlotObjectName(kSlot), sizeof(NIpcShm::NSlotObject));
        ASSERT_NE(memory, nullptr);
        static_cast<NIpcShm::NSlotObject*>(memory->GetData())->nId = kMiniSlot;
    }
    EXPECT_EQ(GetText(kSlot), "<missing>");
    EXPECT_EQ(SetText(kSlot, "fresh"), 1);
    EXPECT_EQ(GetText(kSlot), "fresh");
}

TEST_F(IpcDriverUnloadedTest, VersionInstallationAndDebugLevel) {
    // The project's version as CMake has it, patch level left out.
    EXPECT_EQ(fnGetIpcDiverVersion(), QXIPC_MAKE_VERSION(Q6_VERSION_MAJOR, Q6_VERSION_MINOR));
    EXPECT_EQ(fnIsInstalledIpcDriver(), 1);
    EXPECT_EQ(fnSetIpcDebugLevel(3), 0);
    EXPECT_EQ(fnSetIpcDebugLevel(-1), 3);
    EXPECT_EQ(fnSetIpcDebugLevel(0), 0);
}

TEST_F(IpcDriverUnloadedTest, ADebugLevelReportsFailuresOnStandardError) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(SetText(kSlot, "quiet"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    fnSetIpcDebugLevel(1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(SetText(kSlot, "loud"), 0);
    const std::string report = testing::internal::GetCapturedStderr();
    fnSetIpcDebugLevel(0);
    EXPECT_EQ(report, "qxipcdll: fnSetData(0x30000259): the driver is not loaded\n");
}

// Each thread keeps the reason of its own last failure.
TEST_F(IpcDriverTest, TheLastErrorTellsWhyThisThreadsLastCallFailed) {
    std::string otherThread = "<not run>";
    std::thread([&otherThread] { otherThread = LastIpcError(); }).join();
    EXPECT_EQ(otherThread, "");

    EXPECT_EQ(GetText(kSlot), "<missing>");
    EXPECT_EQ(LastIpcError(), "fnGetData(0x30000259): no such slot");
    ASSERT_EQ(SetText(kSlot, "value"), 1);
    EXPECT_EQ(LastIpcError(), "fnGetData(0x30000259): no such slot");  // the last failure stays
    EXPECT_EQ(LastIpcError(10), "fnGetData");
    EXPECT_EQ(fnGetIpcLastError(nullptr, 10), 0u);

    ASSERT_EQ(fnUnloadIpcDriver(), 1);
    EXPECT_EQ(SetText(kSlot, "value"), 0);
    EXPECT_EQ(LastIpcError(), "fnSetData(0x30000259): the driver is not loaded");
    std::thread([&otherThread] { otherThread = LastIpcError(); }).join();
    EXPECT_EQ(otherThread, "");
}

// Without a descriptor to spare the control block cannot be looked at: the
// failure names the system's reason, and nothing takes the block for
// damaged and rebuilds it.
TEST_F(IpcDriverTest, TooFewDescriptorsAreNamedAndLeaveTheControlBlockAlone) {
    const ino_t inode = StatObject(ControlObjectName()).st_ino;
    NForkedChild starved([] {
        rlimit limit{};
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
            return 1;
        }
        limit.rlim_cur = 32;
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            return 1;
        }
        while (::open("/dev/null", O_RDONLY | O_CLOEXEC) >= 0) {
        }
        if (errno != EMFILE) {
            return 2;
        }
        const int32_t loaded = fnLoadIpcDriver();
        const std::string loadError = LastIpcError();
        const int32_t repaired = fnIpcFixDriverConfig();
        const std::string repairError = LastIpcError();
        for (const std::string& text : {loadError, repairError}) {
            if (text.find("Too many open files") == std::string::npos ||
                text.find("damaged") != std::string::npos) {
                std::fprintf(stderr, "%s\n", text.c_str());
                return 3;
            }
        }
        return loaded == 0 && repaired == 0 ? 0 : 4;
    });
    EXPECT_EQ(starved.Wait(), 0);
    EXPECT_EQ(fnIsLoadedIpcDriver(), 1);
    EXPECT_EQ(StatObject(ControlObjectName()).st_ino, inode);
}

}  // namespace
