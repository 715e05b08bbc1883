// Waiting for a slot's next value (fnWaitData): every waiter of every
// process sees every write, another account can neither hide one nor make
// one up, and a wait without a write ends with its time.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <memory>
#include <vector>

#include "ipcdrv/qxipcdll.h"
#include "os/linux/shared_word.h"
#include "tests/ipcdrv/ipcdrv_test_support.h"
#include "tests/support/forked_child.h"

namespace {

using ::testing::HasSubstr;

// Long enough for a loaded machine: a wait that returns only at its end
// failed to see the write.
constexpr uint32_t kLongWaitMs = 30000;

uint64_t StampOf(uint32_t id) {
    uint64_t stamp = 0;
    fnGetDataStamp(id, &stamp);
    return stamp;
}

// A child that notes the slot's stamp, says so, and waits for a newer value:
// 0 when it saw one.
std::unique_ptr<NForkedChild> StartWaiter(NPipe& ready) {
    return std::make_unique<NForkedChild>([&ready] {
        const uint64_t stamp = StampOf(kSlot);
        ready.Send();
        return fnWaitData(kSlot, stamp, kLongWaitMs) == 1 ? 0 : 1;
    });
}

class SlotWaitTest : public IpcDriverTest {};

TEST_F(SlotWaitTest, EveryWaiterInEveryProcessReturnsForEachWrite) {
    constexpr int kWaiters = 3;
    constexpr int kWrites = 3;
    ASSERT_EQ(SetText(kSlot, "first"), 1);
    for (int write = 0; write < kWrites; ++write) {
        NPipe ready;
        std::vector<std::unique_ptr<NForkedChild>> waiters;
        for (int i = 0; i < kWaiters; ++i) {
            waiters.push_back(StartWaiter(ready));
            ASSERT_TRUE(ready.Receive());
        }
        ASSERT_EQ(SetText(kSlot, "next"), 1);
        for (auto& waiter : waiters) {
            EXPECT_EQ(waiter->Wait(), 0) << "write " << write;
        }
    }
}

TEST_F(SlotWaitTest, AWaitWithoutAWriteEndsWithItsTimeAndSaysWhy) {
    ASSERT_EQ(SetText(kSlot, "value"), 1);
    EXPECT_EQ(fnWaitData(kSlot, StampOf(kSlot), 20), 0);
    EXPECT_THAT(LastIpcError(), HasSubstr("no new value within the time"));
    EXPECT_EQ(fnWaitData(kSlot, StampOf(kSlot), 0), 0);
}

TEST_F(SlotWaitTest, AValueNewerThanTheStampReturnsAtOnce) {
    ASSERT_EQ(SetText(kSlot, "old"), 1);
    const uint64_t old = StampOf(kSlot);
    ASSERT_EQ(SetText(kSlot, "new"), 1);
    EXPECT_EQ(fnWaitData(kSlot, old, 0), 1);
    EXPECT_EQ(fnWaitData(kSlot, 0, 0), 1);
}

TEST_F(SlotWaitTest, AWaiterForAMissingSlotReturnsWhenItIsWritten) {
    NPipe ready;
    const std::unique_ptr<NForkedChild> waiter = StartWaiter(ready);  // with no stamp
    ASSERT_TRUE(ready.Receive());
    ASSERT_EQ(SetText(kSlot, "first"), 1);
    EXPECT_EQ(waiter->Wait(), 0);
}

TEST_F(IpcDriverUnloadedTest, AWaiterReturnsOnceTheDriverIsLoadedAndTheSlotWritten) {
    NPipe ready;
    const std::unique_ptr<NForkedChild> waiter = StartWaiter(ready);  // with no stamp
    ASSERT_TRUE(ready.Receive());
    ASSERT_EQ(fnLoadIpcDriver(), 1);
    ASSERT_EQ(SetText(kSlot, "first"), 1);
    EXPECT_EQ(waiter->Wait(), 0);
}

// The sleepers' word, mapped read-only as any account may map it.
const std::atomic<uint32_t>* MapSleepersWord(std::unique_ptr<NOs::NSharedMemory>& memory) {
    auto mapped =
        NOs::NSharedMemory::Open(SlotObjectName(kSlot), sizeof(NIpcShm::NSlotObject), false);
    if (!mapped) {
        return nullptr;
    }
    memory = mapped.Take();
    return &static_cast<const NIpcShm::NSlotObject*>(memory->GetData())->nCurrent;
}

// Moves every sleeper of the slot's word to a word of its own, once there
// is one; the number moved.
long DivertSleepers(const std::atomic<uint32_t>& word) {
    static uint32_t s_nOwnWord = 0;
    auto* address = reinterpret_cast<uint32_t*>(const_cast<std::atomic<uint32_t>*>(&word));
    return ::syscall(SYS_futex, address, FUTEX_REQUEUE, 0, INT_MAX, &s_nOwnWord, 0);
}

TEST_F(SlotWaitTest, AnotherAccountCanWakeOrDivertWaitersButNeitherHideNorFakeAWrite) {
    ASSERT_EQ(SetText(kSlot, "first"), 1);
    NPipe ready;
    NPipe result;
    NForkedChild waiter([&] {
        const uint64_t stamp = StampOf(kSlot);
        const auto start = std::chrono::steady_clock::now();
        ready.Send();
        const int32_t waited = fnWaitData(kSlot, stamp, kLongWaitMs);
        // Seen only at the end of the wait, the write would have been hidden.
        const bool early =
            std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kLongWaitMs / 2);
        result.Send(GetText(kSlot) == "second" && early ? 'y' : 'n');
        return waited == 1 ? 0 : 1;
    });
    ASSERT_TRUE(ready.Receive());
    NForkedChild other([] {
        std::unique_ptr<NOs::NSharedMemory> memory;
        if (!DropToNobody()) {
            return 1;
        }
        const std::atomic<uint32_t>* word = MapSleepersWord(memory);
        if (word == nullptr) {
            return 2;
        }
        // Spurious wake-ups first, then the waiter taken off the word.
        for (int i = 0; i < 100; ++i) {
            NOs::WakeWordSleepers(*word);
        }
        while (DivertSleepers(*word) < 1) {
            ::sched_yield();
        }
        return 0;
    });
    ASSERT_EQ(other.Wait(), 0);
    EXPECT_TRUE(waiter.IsRunning());
    ASSERT_EQ(SetText(kSlot, "second"), 1);
    char seen = 0;
    ASSERT_TRUE(result.Receive(&seen));
    EXPECT_EQ(seen, 'y');
    EXPECT_EQ(waiter.Wait(), 0);
}

}  // namespace
