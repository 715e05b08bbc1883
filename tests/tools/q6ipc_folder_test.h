#pragma once
// What the tests of q6ipc share: a fresh folder that holds q6ipc and
// qxipcdll.dll together, as they are installed, in an object namespace of
// the test's own; slot writes through the linked library; and the C
// library's calendar as the judge of the times that q6ipc shows.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "ipcdrv/qxipcdll.h"
#include "tests/support/object_namespace.h"
#include "tests/support/temp_folder.h"
#include "tests/tools/q6ipc_process.h"

// Seconds since 1970 of a YYYY-MM-DD hh:mm:ss text, as the C library counts
// them (not with the parser under test); -1 for any other text.
inline int64_t Seconds(const std::string& text) {
    std::tm fields{};
    const char* end = ::strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &fields);
    return end != nullptr && *end == '\0' ? static_cast<int64_t>(::timegm(&fields)) : -1;
}

// Writes the slots it reads: needs root.
class NQ6IpcFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root: only root writes the slots it reads";
        }
        ASSERT_FALSE(m_folder.Path().empty());
        std::filesystem::copy_file(Q6IPC_PATH, m_folder.Path() / "q6ipc");
        std::filesystem::copy_file(QXIPCDLL_PATH, m_folder.Path() / "qxipcdll.dll");
        ASSERT_EQ(fnLoadIpcDriver(), 1);
    }

    std::string Program() const { return (m_folder.Path() / "q6ipc").string(); }

    NRunResult Run(const std::vector<std::string>& arguments) const {
        return NQ6IpcProcess::Run(Program(), arguments, m_folder.Path().string());
    }

    static void WriteBytes(uint32_t slot, const std::string& bytes) {
        ASSERT_EQ(fnSetData(slot, bytes.data(), static_cast<uint32_t>(bytes.size())), 1);
    }

    NObjectNamespace m_namespace;
    NTempFolder m_folder;
};
