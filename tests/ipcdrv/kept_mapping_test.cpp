// Mappings that a process keeps while the library is loaded: never trusted
// past their object's life, gone with the library, and stamps that tell a
// reader when to read again.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/ipcdrv/ipcdrv_test_support.h"
#include "tests/support/forked_child.h"
#include "tests/support/process_maps.h"
#include "tests/support/temp_folder.h"

namespace {

// A copy of the library loaded in this process apart from the one the test
// is linked with (a copy, as the loader would hand the loaded one back), with
// the reads and writes the tests use.
class NLoadedCopy {
public:
    explicit NLoadedCopy(const std::filesystem::path& folder)
        : m_copy(folder / "qxipcdll-copy.so"),
          m_pHandle(std::filesystem::copy_file(QXIPCDLL_PATH, m_copy)
                        ? ::dlopen(m_copy.c_str(), RTLD_NOW | RTLD_LOCAL)
                        : nullptr) {}
    ~NLoadedCopy() { Unload(); }
    NLoadedCopy(const NLoadedCopy&) = delete;
    NLoadedCopy& operator=(const NLoadedCopy&) = delete;

    bool IsLoaded() const { return m_pHandle != nullptr; }

    void Unload() {
        if (m_pHandle != nullptr) {
            ::dlclose(m_pHandle);
            m_pHandle = nullptr;
        }
    }

    std::string Read(uint32_t id) const {
        const auto get = reinterpret_cast<PFN_IPC_GET_DATA>(::dlsym(m_pHandle, "fnGetData"));
        std::string value(QXIPC_MAX_DATA_SIZE, '\0');
        uint32_t size = 0;
        if (get == nullptr ||
            get(id, value.data(), static_cast<uint32_t>(value.size()), &size) == 0) {
            return "<missing>";
        }
        value.resize(size);
        return value;
    }

private:
    std::filesystem::path m_copy;
    void* m_pHandle;
};

// A child that reads the slot once (keeping its mapping), then again for
// each byte it receives, answering 1 when it read expected and 0 when not.
class NReader {
public:
    explicit NReader(uint32_t id)
        : m_child([this, id] {
              m_answers.Send(GetText(id) != "<missing>" ? 'r' : 'm');
              for (char expected = 0; m_questions.Receive(&expected);) {
                  const std::string value = GetText(id);
                  m_answers.Send(value == std::string(1, expected) ||
                                         (expected == '-' && value == "<missing>")
                                     ? '1'
                                     : '0');
              }
              return 0;
          }) {}

    bool Started() { return m_answers.Receive() && m_child.IsStarted(); }

    // Whether the child's next read gives value ('-': missing).
    bool NextReadIs(char value) {
        char answer = 0;
        return m_questions.Send(value) && m_answers.Receive(&answer) && answer == '1';
    }

private:
    NPipe m_questions;
    NPipe m_answers;
    NForkedChild m_child;
};

using KeptMappingTest = IpcDriverTest;

// The library marks what it replaces or removes: the other process sees the
// new object at its very next read, without waiting for a look at the name.
TEST_F(KeptMappingTest, ASlotTheLibraryReplacesIsSeenAtAnotherProcessesNextRead) {
    ASSERT_EQ(SetText(kSlot, "a"), 1);
    NReader reader(kSlot);
    ASSERT_TRUE(reader.Started());
    EXPECT_TRUE(reader.NextReadIs('a'));

    ASSERT_EQ(fnDeleteData(kSlot), 1);
    EXPECT_TRUE(reader.NextReadIs('-'));
    ASSERT_EQ(SetText(kSlot, "b"), 1);
    EXPECT_TRUE(reader.NextReadIs('b'));

    // A damaged slot that a write replaces.
    {
        const auto memory = MapForWriting(SlotObjectName(kSlot), sizeof(NIpcShm::NSlotObject));
        ASSERT_NE(memory, nullptr);
        static_cast<NIpcShm::NSlotObject*>(memory->GetData())->nId = kMiniSlot;
    }
    EXPECT_TRUE(reader.NextReadIs('-'));
    ASSERT_EQ(SetText(kSlot, "c"), 1);
    EXPECT_TRUE(reader.NextReadIs('c'));

    // The control block unloaded and loaded again, the slots removed with it.
    ASSERT_EQ(fnUninstallIpcDriver(), 1);
    EXPECT_TRUE(reader.NextReadIs('-'));
    ASSERT_EQ(fnLoadIpcDriver(), 1);
    EXPECT_TRUE(reader.NextReadIs('-'));
    ASSERT_EQ(SetText(kSlot, "d"), 1);
    EXPECT_TRUE(reader.NextReadIs('d'));
}

// What is removed or replaced by other means is found out within the bound
// of qxipcdll.h.
TEST_F(KeptMappingTest, ASlotRemovedFromOutsideIsSeenWithinTheBound) {
    ASSERT_EQ(SetText(kSlot, "a"), 1);
    NReader reader(kSlot);
    ASSERT_TRUE(reader.Started());
    ASSERT_TRUE(reader.NextReadIs('a'));

    ASSERT_TRUE(std::filesystem::remove(ObjectPath(SlotObjectName(kSlot))));
    WaitForKeptMappingsToLook();
    EXPECT_TRUE(reader.NextReadIs('-'));

    ASSERT_EQ(SetText(kSlot, "b"), 1);
    EXPECT_TRUE(reader.NextReadIs('b'));
    ASSERT_TRUE(std::filesystem::remove(ObjectPath(ControlObjectName())));
    WaitForKeptMappingsToLook();
    EXPECT_TRUE(reader.NextReadIs('-'));
}

// A process that unloads the library keeps none of its objects mapped.
TEST_F(KeptMappingTest, UnloadingTheLibraryUnmapsEverything) {
    ASSERT_EQ(SetText(kSlot, "kept"), 1);
    const std::string folder = m_namespace.Folder().string();
    const NTempFolder temp;
    NForkedChild child([&folder, &temp] {
        // What the child has from its parent stays mapped apart from the copy.
        const size_t inherited = CountMappingsUnder(folder);
        NLoadedCopy library(temp.Path());
        if (!library.IsLoaded() || library.Read(kSlot) != "kept" || library.Read(kSlot) != "kept") {
            return 1;
        }
        if (CountMappingsUnder(folder) <= inherited) {
            return 2;
        }
        library.Unload();
        return CountMappingsUnder(folder) == inherited ? 0 : 3;
    });
    EXPECT_EQ(child.Wait(), 0);
}

TEST_F(KeptMappingTest, AStampChangesWithEveryWriteAndOnlyThen) {
    uint64_t stamp = 0;
    EXPECT_EQ(fnGetDataStamp(kSlot, &stamp), 0);
    EXPECT_EQ(stamp, 0u);
    ASSERT_EQ(SetText(kSlot, "a"), 1);
    uint64_t first = 0;
    ASSERT_EQ(fnGetDataStamp(kSlot, &first), 1);
    ASSERT_EQ(fnGetDataStamp(kSlot, &stamp), 1);
    EXPECT_EQ(stamp, first);

    std::vector<uint64_t> seen{first};
    for (const char* value : {"b", "b", "c"}) {
        ASSERT_EQ(SetText(kSlot, value), 1);
        ASSERT_EQ(fnGetDataStamp(kSlot, &stamp), 1);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), stamp), 0) << value;
        seen.push_back(stamp);
    }
    // A slot made anew does not bring an old stamp back.
    ASSERT_EQ(fnDeleteData(kSlot), 1);
    ASSERT_EQ(SetText(kSlot, "a"), 1);
    ASSERT_EQ(fnGetDataStamp(kSlot, &stamp), 1);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), stamp), 0);
    EXPECT_EQ(fnGetDataStamp(kSlot, nullptr), 0);
}

// A process keeps a few dozen mappings at most and maps any further slot for
// each use: there, too, a slot made anew never brings an old stamp back.
TEST_F(KeptMappingTest, ASlotPastTheKeptOnesGetsANewStampWhenMadeAnew) {
    constexpr uint32_t kSlotsToFillTheKeptOnes = 40;
    NForkedChild child([] {
        for (uint32_t id = 1; id <= kSlotsToFillTheKeptOnes; ++id) {
            if (SetText(kSlot + id, "x") != 1) {
                return 1;
            }
        }
        uint64_t first = 0;
        uint64_t again = 0;
        if (SetText(kSlot, "a") != 1 || fnGetDataStamp(kSlot, &first) != 1 ||
            fnGetDataStamp(kSlot, &again) != 1 || again != first) {
            return 2;
        }
        uint64_t remade = 0;
        if (fnDeleteData(kSlot) != 1 || SetText(kSlot, "a") != 1 ||
            fnGetDataStamp(kSlot, &remade) != 1) {
            return 3;
        }
        return remade != first ? 0 : 4;
    });
    EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
