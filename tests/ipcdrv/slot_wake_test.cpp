// The wake-up itself: a write wakes a sleeper of another process at once,
// not at the end of its sleep, and a sleep ends by what it found.

#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "ipcdrv/control_block.h"
#include "ipcdrv/data_slot.h"
#include "tests/support/forked_child.h"
#include "tests/support/object_namespace.h"
#include "tests/support/test_constants.h"

namespace {

using NDataSlot::NWaitResult;
using NTestConstants::kSlot;

// Longer than any wake-up on a loaded machine: a sleep that lasts it missed
// its wake-up.
constexpr uint32_t kLongSleepMs = 30000;

class SlotWakeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root: only root writes the slots";
        }
        ASSERT_TRUE(NControlBlock::Load());
        const NOs::NResult<NControlBlock::NInUse> control = NControlBlock::InUse();
        ASSERT_TRUE(control) << control.Error().Message();
        m_control = control.Value();
    }

    bool Write(const std::string& value) const {
        return static_cast<bool>(
            NDataSlot::Write(kSlot, value.data(), static_cast<uint32_t>(value.size()), *m_control));
    }
    uint64_t Stamp() const { return NDataSlot::Stamp(kSlot, *m_control).ValueOr(0); }
    NWaitResult Wait(uint64_t stamp, uint32_t timeoutMs) const {
        return NDataSlot::WaitForWrite(kSlot, stamp, timeoutMs, *m_control);
    }

    NObjectNamespace m_namespace;
    std::optional<NControlBlock::NInUse> m_control;
};

TEST_F(SlotWakeTest, AWriteWakesASleeperOfAnotherProcessBeforeItsSleepEnds) {
    ASSERT_TRUE(Write("first"));
    NPipe ready;
    NForkedChild sleeper([&] {
        const uint64_t stamp = Stamp();
        ready.Send();
        NWaitResult result = Wait(stamp, kLongSleepMs);
        while (result == NWaitResult::Woken) {  // another write, or the one looked at too early
            result = Wait(stamp, kLongSleepMs);
        }
        return result == NWaitResult::Written ? 0 : 1;
    });
    ASSERT_TRUE(ready.Receive());
    ASSERT_TRUE(Write("second"));
    EXPECT_EQ(sleeper.Wait(), 0);
}

TEST_F(SlotWakeTest, ASleepEndsByWhatItFound) {
    EXPECT_EQ(Wait(0, 0), NWaitResult::Missing);
    ASSERT_TRUE(Write("first"));
    const uint64_t first = Stamp();
    EXPECT_EQ(Wait(first, 10), NWaitResult::TimedOut);
    ASSERT_TRUE(Write("second"));
    EXPECT_EQ(Wait(first, kLongSleepMs), NWaitResult::Written);
}

}  // namespace
