// Whether root's mutex is held, as root and as another account see it: the
// kernel's lock table read line by line, and the probe against live and
// ended holders.
#include "os/linux/root_mutex_probe.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/sysmacros.h>

#include <optional>
#include <string>

#include "named_mutex_fixture.h"
#include "os/linux/root_mutex_probe_testing.h"
#include "tests/support/forked_child.h"

namespace {

using NOs::NMutexHolding;

struct NLockTableCase {
    const char* what;
    std::string table;
    bool bHeld;
};

TEST(LockTableTest, OnlyAGrantedWriteLockOnTheSameFileCounts) {
    const NOs::NFileId id{makedev(0, 0x1a), 1234};
    const NLockTableCase cases[] = {
        {"open file description lock", "1: OFDLCK ADVISORY  WRITE -1 00:1a:1234 0 EOF\n", true},
        {"POSIX lock", "1: POSIX  ADVISORY  WRITE 321 00:1a:1234 0 EOF\n", true},
        {"flock", "1: FLOCK  ADVISORY  WRITE 321 00:1a:1234 0 EOF\n", true},
        {"among others",
         "1: POSIX  ADVISORY  READ 9 08:01:55 0 EOF\n2: OFDLCK ADVISORY  WRITE -1 00:1a:1234 0 "
         "EOF\n",
         true},
        {"read lock", "1: OFDLCK ADVISORY  READ -1 00:1a:1234 0 EOF\n", false},
        {"a waiter", "1: -> OFDLCK ADVISORY  WRITE -1 00:1a:1234 0 EOF\n", false},
        {"another inode", "1: OFDLCK ADVISORY  WRITE -1 00:1a:12345 0 EOF\n", false},
        {"another device", "1: OFDLCK ADVISORY  WRITE -1 00:1b:1234 0 EOF\n", false},
        {"an inode that ends alike", "1: OFDLCK ADVISORY  WRITE -1 00:1a:91234 0 EOF\n", false},
        {"empty table", "", false},
        {"cut line", "1: OFDLCK ADVISORY  WRITE\n", false},
    };
    for (const NLockTableCase& test : cases) {
        EXPECT_EQ(NOs::LockTableHoldsWriteLock(test.table, id), test.bHeld) << test.what;
    }
    const NOs::NFileId largeDevice{makedev(259, 3), 77};
    EXPECT_TRUE(
        NOs::LockTableHoldsWriteLock("1: OFDLCK ADVISORY WRITE -1 103:03:77 0 EOF\n", largeDevice));
}

using RootMutexProbeTest = NamedMutexTest;

// What the unprivileged account nobody sees, from a child of its own; nothing
// when it could not ask.
std::optional<NMutexHolding> ProbeAsNobody() {
    NForkedChild child([] {
        if (!DropToNobody()) {
            return 100;
        }
        const auto holding = NOs::ProbeRootMutex(kMutexTestName);
        return holding ? static_cast<int>(holding.Value()) : 101;
    });
    const int code = child.Wait();
    if (code < 0 || code > static_cast<int>(NMutexHolding::Missing)) {
        return std::nullopt;
    }
    return static_cast<NMutexHolding>(code);
}

std::optional<NMutexHolding> ProbeAsRoot() {
    const auto holding = NOs::ProbeRootMutex(kMutexTestName);
    return holding ? std::optional<NMutexHolding>(holding.Value()) : std::nullopt;
}

TEST_F(RootMutexProbeTest, EveryAccountSeesWhetherALiveProcessHoldsIt) {
    EXPECT_EQ(ProbeAsRoot(), NMutexHolding::Missing);
    EXPECT_EQ(ProbeAsNobody(), NMutexHolding::Missing);

    bool alreadyExists = true;
    auto mutex = CreateOwned(&alreadyExists);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(ProbeAsRoot(), NMutexHolding::Held);
    EXPECT_EQ(ProbeAsNobody(), NMutexHolding::Held);

    mutex.reset();
    EXPECT_EQ(ProbeAsRoot(), NMutexHolding::Free);
    EXPECT_EQ(ProbeAsNobody(), NMutexHolding::Free);
}

TEST_F(RootMutexProbeTest, AKilledHolderHoldsNothingFromTheMomentItEnds) {
    NPipe held;
    NForkedChild holder([&held] {
        bool alreadyExists = true;
        const auto mutex = CreateOwned(&alreadyExists);
        if (mutex == nullptr || alreadyExists) {
            return 1;
        }
        held.Send();
        ::pause();
        return 0;
    });
    ASSERT_TRUE(held.Receive());
    EXPECT_EQ(ProbeAsNobody(), NMutexHolding::Held);
    holder.Kill();
    EXPECT_EQ(ProbeAsNobody(), NMutexHolding::Free);
    EXPECT_EQ(ProbeAsRoot(), NMutexHolding::Free);
}

TEST_F(RootMutexProbeTest, AnotherAccountsOwnMutexOfTheSameNameIsNotRoots) {
    NPipe held;
    NPipe done;
    NForkedChild impostor([&held, &done] {
        if (!DropToNobody()) {
            return 1;
        }
        bool alreadyExists = true;
        const auto mutex = CreateOwned(&alreadyExists);
        if (mutex == nullptr || !NOs::IsOwned(*mutex)) {
            return 2;
        }
        held.Send();
        done.Receive();
        return 0;
    });
    ASSERT_TRUE(held.Receive());
    EXPECT_EQ(ProbeAsRoot(), NMutexHolding::Missing);
    EXPECT_EQ(ProbeAsNobody(), NMutexHolding::Missing);
    done.Send();
    EXPECT_EQ(impostor.Wait(), 0);
}

TEST_F(RootMutexProbeTest, ANameThatCannotBeUsedIsRefused) {
    EXPECT_FALSE(NOs::ProbeRootMutex(""));
    EXPECT_FALSE(NOs::ProbeRootMutex(std::string(300, 'n')));
}

}  // namespace
