// A reader with a kept mapping and a writer that laps it on purpose: the
// reader is held, by the library's test seam, after it took a value's size
// and before it copies the value, until the writer has rewritten that very
// copy. Only the reader's second look at the sequence keeps such a read from
// returning one value's size with another's bytes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "ipcdrv/control_block.h"
#include "ipcdrv/data_slot.h"
#include "ipcdrv/qxipcdll.h"
#include "tests/support/object_namespace.h"
#include "tests/support/test_constants.h"

namespace {

using NTestConstants::kSlot;
constexpr int kLappedReads = 200;

// Value k: k in its first 4 bytes, then the byte k, in a size of its own.
std::string MakeValue(uint32_t k) {
    std::string value(4 + (k % 7) * 301, static_cast<char>(k));
    std::memcpy(value.data(), &k, sizeof(k));
    return value;
}

bool IsWrittenValue(const std::string& value) {
    uint32_t k = 0;
    if (value.size() < sizeof(k)) {
        return false;
    }
    std::memcpy(&k, value.data(), sizeof(k));
    return value == MakeValue(k);
}

std::atomic<uint64_t> g_nWrites{0};
std::atomic<int> g_nPausesLeft{0};

// Holds the reader until two more writes are done: the second rewrites the
// copy that the reader took the size of.
void WaitForTheWriterToLap() {
    if (g_nPausesLeft.fetch_sub(1) <= 0) {
        return;
    }
    const uint64_t seen = g_nWrites.load();
    while (g_nWrites.load() < seen + 2) {
        std::this_thread::yield();
    }
}

class KeptSlotRaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root: only root writes the slots";
        }
        ASSERT_TRUE(NControlBlock::Load());
    }
    void TearDown() override { NDataSlot::SetReadPauseForTest(nullptr); }

    NObjectNamespace m_namespace;
};

TEST_F(KeptSlotRaceTest, AReaderLappedBetweenItsCopyAndItsCheckNeverReturnsAMixedValue) {
    const NOs::NResult<NControlBlock::NInUse> inUse = NControlBlock::InUse();
    ASSERT_TRUE(inUse) << inUse.Error().Message();
    const NControlBlock::NInUse& control = inUse.Value();
    const std::string first = MakeValue(1);
    ASSERT_TRUE(
        NDataSlot::Write(kSlot, first.data(), static_cast<uint32_t>(first.size()), control));
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (uint32_t k = 2; !stop.load(); ++k) {
            const std::string value = MakeValue(k);
            if (!NDataSlot::Write(kSlot, value.data(), static_cast<uint32_t>(value.size()),
                                  control)) {
                return;
            }
            g_nWrites.fetch_add(1);
        }
    });
    g_nPausesLeft.store(kLappedReads);
    NDataSlot::SetReadPauseForTest(&WaitForTheWriterToLap);
    int mixed = 0;
    std::string value(QXIPC_MAX_DATA_SIZE, '\0');
    while (g_nPausesLeft.load() > 0) {
        uint32_t size = 0;
        const NOs::NStatus read = NDataSlot::Read(
            kSlot, value.data(), static_cast<uint32_t>(value.size()), &size, control);
        ASSERT_TRUE(read) << read.Error().Message();
        mixed += IsWrittenValue(value.substr(0, size)) ? 0 : 1;
    }
    NDataSlot::SetReadPauseForTest(nullptr);
    stop.store(true);
    writer.join();
    EXPECT_EQ(mixed, 0);
}

}  // namespace
