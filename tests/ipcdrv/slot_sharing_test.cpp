// Slots shared between processes: whole values, readers beside a writer,
// writers that die, and other accounts.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstring>
#include <memory>
#include <vector>

#include "ipcdrv/qxipcdll.h"
#include "tests/ipcdrv/ipcdrv_test_support.h"
#include "tests/support/forked_child.h"

namespace {

using ::testing::HasSubstr;

// Value number k: k in its first 4 bytes, then the byte k repeated, in a
// size that k chooses (4 bytes up to the whole slot).
std::string MakeValue(uint32_t k) {
    const uint32_t size = 4 + (k * 2654435761u) % (QXIPC_MAX_DATA_SIZE - 3);
    std::string value(size, static_cast<char>(k));
    std::memcpy(value.data(), &k, sizeof(k));
    return value;
}

// The number of the value, or 0 when it is not exactly one written value.
uint32_t CheckValue(const std::string& value) {
    uint32_t k = 0;
    if (value.size() < sizeof(k)) {
        return 0;
    }
    std::memcpy(&k, value.data(), sizeof(k));
    return value == MakeValue(k) ? k : 0;
}

class SlotSharingTest : public IpcDriverTest {};

TEST_F(SlotSharingTest, AValueWrittenByOneProcessIsReadWholeByAnother) {
    const std::string value = MakeValue(77);
    NForkedChild writer([&value] { return SetText(kSlot, value) == 1 ? 0 : 1; });
    ASSERT_EQ(writer.Wait(), 0);
    EXPECT_EQ(GetText(kSlot), value);

    ASSERT_EQ(SetText(kSlot, MakeValue(78)), 1);
    NForkedChild reader([] { return CheckValue(GetText(kSlot)) == 78 ? 0 : 1; });
    EXPECT_EQ(reader.Wait(), 0);
}

// Readers copy the slot without pause while a writer rewrites it; every value
// they see must be one that was written, whole.
TEST_F(SlotSharingTest, ReadersBesideARewritingWriterNeverSeeATornValue) {
    constexpr uint32_t kWrites = 1000;
    constexpr int kReaders = 2;
    ASSERT_EQ(SetText(kSlot, MakeValue(1)), 1);
    enum : int { kAllWhole = 0, kTorn = 1, kUnreadable = 2, kWentBack = 3 };
    std::vector<std::unique_ptr<NForkedChild>> readers;
    readers.reserve(kReaders);
    for (int i = 0; i < kReaders; ++i) {
        readers.push_back(std::make_unique<NForkedChild>([] {
            uint32_t last = 0;
            while (last != kWrites) {
                const std::string value = GetText(kSlot);
                if (value == "<missing>") {
                    return static_cast<int>(kUnreadable);
                }
                const uint32_t k = CheckValue(value);
                if (k == 0) {
                    return static_cast<int>(kTorn);
                }
                if (k < last) {
                    return static_cast<int>(kWentBack);
                }
                last = k;
                ::sched_yield();  // leave the writer its share of the processors
            }
            return static_cast<int>(kAllWhole);
        }));
    }
    NForkedChild writer([] {
        for (uint32_t k = 2; k <= kWrites; ++k) {
            if (SetText(kSlot, MakeValue(k)) != 1) {
                return 1;
            }
        }
        return 0;
    });
    EXPECT_EQ(writer.Wait(), 0);
    for (auto& reader : readers) {
        EXPECT_EQ(reader->Wait(), kAllWhole);
    }
}

// A writer killed at any point leaves a whole value, and the next writer
// carries on.
TEST_F(SlotSharingTest, AWriterKilledMidWriteLeavesAWholeValue) {
    ASSERT_EQ(SetText(kSlot, MakeValue(1)), 1);
    for (uint32_t round = 0; round < 5; ++round) {
        NPipe writing;
        NForkedChild writer([&writing, round] {
            for (uint32_t k = 2 + round * 1000;; ++k) {
                SetText(kSlot, MakeValue(k));
                if (k == 50 + round * 1000) {
                    writing.Send();
                }
            }
            return 0;
        });
        ASSERT_TRUE(writing.Receive());
        writer.Kill();

        EXPECT_NE(CheckValue(GetText(kSlot)), 0u) << round;
        ASSERT_EQ(SetText(kSlot, MakeValue(9)), 1);
        EXPECT_EQ(GetText(kSlot), MakeValue(9));
    }
}

// A child that maps the slot, takes its write lock and then does what it is
// given; it ends with 1 or 2 when it cannot map the slot or take the lock.
template <class Then>
NForkedChild HoldTheWriteLock(Then then) {
    return NForkedChild([then] {
        const auto memory = MapForWriting(SlotObjectName(kSlot), sizeof(NIpcShm::NSlotObject));
        if (!memory) {
            return 1;
        }
        auto* slot = static_cast<NIpcShm::NSlotObject*>(memory->GetData());
        if (slot->writeLock.Lock(QXIPC_WRITE_WAIT_MS) != NOs::NLockResult::Locked) {
            return 2;
        }
        return then(*slot);
    });
}

// A writer that died holding the write lock and halfway through the spare
// copy, its sequence odd: readers keep the current value, the next writer
// takes over.
TEST_F(SlotSharingTest, AWriterThatDiedHoldingTheLockWedgesNoOne) {
    ASSERT_EQ(SetText(kSlot, MakeValue(5)), 1);
    NForkedChild dying = HoldTheWriteLock([](NIpcShm::NSlotObject& slot) {
        NIpcShm::NSlotBuffer& spare = slot.aBuffers[(slot.nCurrent.load() & 1u) ^ 1u];
        spare.nSeq.store(spare.nSeq.load() | 1u);
        spare.nSize.store(9);
        spare.aWords[0].store(0x6161616161616161u);
        ::raise(SIGKILL);
        return 0;
    });
    dying.Wait();

    EXPECT_EQ(GetText(kSlot), MakeValue(5));
    ASSERT_EQ(SetText(kSlot, MakeValue(6)), 1);
    EXPECT_EQ(GetText(kSlot), MakeValue(6));
    ASSERT_EQ(SetText(kSlot, MakeValue(7)), 1);
    EXPECT_EQ(GetText(kSlot), MakeValue(7));
}

// A writer stopped (SIGSTOP, a debugger) while it holds the write lock: a
// write gives up after its bounded wait and says why, the value stays, and
// once the writer goes on and lets go the next write goes through.
TEST_F(SlotSharingTest, AWriterStoppedHoldingTheLockMakesAWriteGiveUpAndKeepsTheValue) {
    ASSERT_EQ(SetText(kSlot, MakeValue(5)), 1);
    NForkedChild stopped = HoldTheWriteLock([](NIpcShm::NSlotObject& slot) {
        ::raise(SIGSTOP);
        slot.writeLock.Unlock();
        return 0;
    });
    int status = 0;
    ASSERT_EQ(::waitpid(stopped.Pid(), &status, WUNTRACED), stopped.Pid());
    ASSERT_TRUE(WIFSTOPPED(status)) << "exit code " << WEXITSTATUS(status);

    EXPECT_EQ(SetText(kSlot, MakeValue(6)), 0);
    EXPECT_THAT(LastIpcError(), HasSubstr("another process kept the object locked"));
    EXPECT_EQ(CheckValue(GetText(kSlot)), 5u);

    ASSERT_EQ(::kill(stopped.Pid(), SIGCONT), 0);
    EXPECT_EQ(stopped.Wait(), 0);
    ASSERT_EQ(SetText(kSlot, MakeValue(7)), 1) << LastIpcError();
    EXPECT_EQ(GetText(kSlot), MakeValue(7));
}

// Even a current copy left odd (which no writer of this library leaves)
// makes a read fail rather than wait for ever; the next write mends it.
TEST_F(SlotSharingTest, AReaderNeverWaitsForeverOnACopyLeftHalfWritten) {
    ASSERT_EQ(SetText(kSlot, MakeValue(5)), 1);
    {
        const auto memory = MapForWriting(SlotObjectName(kSlot), sizeof(NIpcShm::NSlotObject));
        ASSERT_NE(memory, nullptr);
        auto* slot = static_cast<NIpcShm::NSlotObject*>(memory->GetData());
        NIpcShm::NSlotBuffer& current = slot->aBuffers[slot->nCurrent.load() & 1u];
        current.nSeq.store(current.nSeq.load() | 1u);
    }
    EXPECT_EQ(GetText(kSlot), "<missing>");
    ASSERT_EQ(SetText(kSlot, MakeValue(6)), 1);
    EXPECT_EQ(GetText(kSlot), MakeValue(6));
}

using SlotAccountTest = SlotSharingTest;

// Every account reads the slots; none but root writes or removes one, not
// even a slot that nobody has written yet.
TEST_F(SlotAccountTest, AnotherAccountReadsButCannotWriteOrRemoveASlot) {
    ASSERT_EQ(SetText(kSlot, MakeValue(11)), 1);
    NForkedChild other([] {
        if (!DropToNobody()) {
            return 1;
        }
        if (CheckValue(GetText(kSlot)) != 11) {
            return 2;
        }
        if (SetText(kSlot, MakeValue(12)) != 0 || fnDeleteData(kSlot) != 0) {
            return 3;
        }
        return SetText(kMiniSlot, MakeValue(13)) == 0 ? 0 : 4;
    });
    EXPECT_EQ(other.Wait(), 0);
    EXPECT_EQ(CheckValue(GetText(kSlot)), 11u);
    EXPECT_EQ(StatObject(SlotObjectName(kSlot)).st_uid, 0u);
    EXPECT_EQ(GetText(kMiniSlot), "<missing>");
}

TEST_F(SlotAccountTest, AnotherAccountIsToldWhyItsWriteFails) {
    NForkedChild other([] {
        if (!DropToNobody()) {
            return 1;
        }
        fnSetIpcDebugLevel(1);
        testing::internal::CaptureStderr();
        const int32_t written = SetText(kSlot, "forged");
        const std::string report = testing::internal::GetCapturedStderr();
        return written == 0 && report ==
                                   "qxipcdll: fnSetData(0x30000259): the slot cannot be written: "
                                   "only the owner of the object space may change it\n"
                   ? 0
                   : 2;
    });
    EXPECT_EQ(other.Wait(), 0);
}

TEST_F(SlotAccountTest, AnotherAccountCannotRemoveOrRebuildTheDriver) {
    ASSERT_EQ(SetText(kSlot, MakeValue(31)), 1);
    {
        const auto memory = MapForWriting(ControlObjectName(), sizeof(NIpcShm::NControlObject));
        ASSERT_NE(memory, nullptr);
        static_cast<NIpcShm::NControlObject*>(memory->GetData())->nLayout = 0;
    }
    NForkedChild other([] {
        if (!DropToNobody()) {
            return 1;
        }
        return fnIpcFixDriverConfig() == 0 && fnLoadIpcDriver() == 0 && fnUnloadIpcDriver() == 0 &&
                       fnUninstallIpcDriver() == 0
                   ? 0
                   : 2;
    });
    EXPECT_EQ(other.Wait(), 0);
    EXPECT_EQ(fnIpcFixDriverConfig(), 1);
    EXPECT_EQ(CheckValue(GetText(kSlot)), 31u);
}

// Only root could have put a slot of another owner there; its writer
// replaces it all the same.
TEST_F(SlotAccountTest, AWriterReplacesASlotOfAnotherOwner) {
    ASSERT_EQ(SetText(kSlot, "forged"), 1);
    ASSERT_EQ(::chown(ObjectPath(SlotObjectName(kSlot)).c_str(), 65534, 65534), 0);
    WaitForKeptMappingsToLook();
    EXPECT_EQ(GetText(kSlot), "<missing>");

    ASSERT_EQ(SetText(kSlot, MakeValue(21)), 1);
    EXPECT_EQ(CheckValue(GetText(kSlot)), 21u);
    EXPECT_EQ(StatObject(SlotObjectName(kSlot)).st_uid, 0u);
}

}  // namespace
