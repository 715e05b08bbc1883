// What named events do on Linux: their record and semaphore, other
// processes and other accounts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/sem.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "named_event_fixture.h"
#include "os/linux/named_object.h"
#include "os/named_event.h"
#include "os/named_event_testing.h"
#include "os/named_mutex.h"
#include "os/named_object_space.h"
#include "os/named_object_space_testing.h"
#include "os/object_error.h"
#include "tests/support/forked_child.h"
#include "tests/support/object_namespace.h"

namespace {

// The record that stands for the event (zeros when it cannot be read).
NOs::NEventRecord ReadRecord(const std::string& name) {
    NOs::NEventRecord record{};
    std::ifstream(RecordPath(name), std::ios::binary)
        .read(reinterpret_cast<char*>(&record), sizeof(record));
    return record;
}

// Takes the event's record away as an administrator's rm would: its
// semaphore stays; returns it, for the test to remove in the end.
int RemoveRecordOnly(const std::string& name) {
    const int semaphore = ReadRecord(name).nSemaphoreId;
    std::filesystem::remove(RecordPath(name));
    return semaphore;
}

// The mode of the event's semaphore; 0 when there is none.
uint32_t ModeOf(const std::string& name) {
    struct semid_ds info {};
    return ::semctl(ReadRecord(name).nSemaphoreId, 0, IPC_STAT, &info) == 0
               ? info.sem_perm.mode & 0777
               : 0;
}

// A child that opens the event by name, sends a byte through ready and
// waits for the event; then it sends its tag through released (when given).
// Exit 0 when a set released it, 1 when it timed out, 2 when it could not
// open the event, 3 when the wait failed.
std::unique_ptr<NForkedChild> StartWaiter(const std::string& name, NPipe& ready,
                                          NPipe* released = nullptr, char tag = 'w') {
    return std::make_unique<NForkedChild>([&name, &ready, released, tag] {
        const auto event = OpenEvent(name);
        if (!event) {
            return 2;
        }
        ready.Send();
        const NOs::NResult<NWaitResult> result = event->Wait(kReleaseTimeoutMs);
        if (released != nullptr) {
            released->Send(tag);
        }
        if (!result) {
            return 3;
        }
        return result == NWaitResult::Signalled ? 0 : 1;
    });
}

// A record that does not hold together, or whose semaphore is gone: only the
// space's owner may mend it, by making the event anew.
TEST_F(NamedEventTest, ADamagedEventIsRefusedByOthersAndMadeAnewByItsOwner) {
    const auto event = CreateEvent(kEventTestName, true);
    ASSERT_NE(event, nullptr);
    NOs::NEventRecord record = ReadRecord(kEventTestName);
    record.header.nLayout = 99;
    std::ofstream(RecordPath(kEventTestName), std::ios::binary | std::ios::in)
        .write(reinterpret_cast<const char*>(&record), sizeof(record));
    EXPECT_EQ(NNamedEvent::Open(kEventTestName).Error(), NOs::NObjectError::Damaged);

    bool existed = true;
    const auto mended = CreateEvent(kEventTestName, false, &existed);
    ASSERT_NE(mended, nullptr);
    EXPECT_FALSE(existed);
    EXPECT_FALSE(NOs::IsManualReset(*mended).ValueOr(true));

    ASSERT_EQ(::semctl(ReadRecord(kEventTestName).nSemaphoreId, 0, IPC_RMID), 0);
    EXPECT_EQ(NNamedEvent::Open(kEventTestName).Error(), NOs::NObjectError::Damaged);
    ASSERT_NE(CreateEvent(kEventTestName, false, &existed), nullptr);
    EXPECT_FALSE(existed);
    EXPECT_NE(OpenEvent(kEventTestName), nullptr);
}

// A wait on an event whose semaphore was removed ends at once; the owner's
// next set makes the event anew under its name.
TEST_F(NamedEventTest, ARemovedSemaphoreEndsEveryWaitAndTheNextSetMakesTheEventAnew) {
    const auto setter = CreateEvent(kEventTestName, false);
    ASSERT_NE(setter, nullptr);
    NPipe ready;
    const auto waiter = StartWaiter(kEventTestName, ready);
    ASSERT_TRUE(ready.Receive());
    ASSERT_EQ(::semctl(ReadRecord(kEventTestName).nSemaphoreId, 0, IPC_RMID), 0);
    EXPECT_EQ(waiter->Wait(), 3);

    EXPECT_TRUE(setter->Set());
    const auto reader = OpenEvent(kEventTestName);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->Wait(0), NWaitResult::Signalled);
}

TEST_F(NamedEventTest, ASetPutsARemovedNameBackWithTheSameModeAndAccess) {
    const mode_t previousUmask = ::umask(077);
    const auto setter = CreateEvent(kEventTestName, true);
    ASSERT_NE(setter, nullptr);
    ASSERT_TRUE(NOs::RemoveNamedObject(kEventTestName));
    ASSERT_EQ(OpenEvent(kEventTestName), nullptr);

    EXPECT_TRUE(setter->Set());
    ::umask(previousUmask);
    const auto reader = OpenEvent(kEventTestName);
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(NOs::IsManualReset(*reader).ValueOr(false));
    EXPECT_EQ(ModeOf(kEventTestName), 0666u);
    EXPECT_EQ(reader->Wait(0), NWaitResult::Signalled);
    // The setter now uses the event under the name.
    EXPECT_TRUE(reader->Reset());
    EXPECT_TRUE(setter->Set());
    EXPECT_EQ(reader->Wait(0), NWaitResult::Signalled);
}

TEST_F(NamedEventTest, ASetReachesTheEventThatNowHoldsTheNameAndItsOldWaiters) {
    const auto setter = CreateEvent(kEventTestName, false);
    ASSERT_NE(setter, nullptr);
    const auto oldHandle = OpenEvent(kEventTestName);
    ASSERT_NE(oldHandle, nullptr);
    const int oldSemaphore = RemoveRecordOnly(kEventTestName);
    const auto newcomer = CreateEvent(kEventTestName, false);
    ASSERT_NE(newcomer, nullptr);
    NPipe ready;
    const auto waiter = StartWaiter(kEventTestName, ready);
    ASSERT_TRUE(ready.Receive());

    EXPECT_TRUE(setter->Set());
    EXPECT_EQ(waiter->Wait(), 0);
    EXPECT_EQ(oldHandle->Wait(0), NWaitResult::Signalled);
    EXPECT_TRUE(setter->Set());
    EXPECT_EQ(newcomer->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(oldHandle->Wait(0), NWaitResult::TimedOut);
    ::semctl(oldSemaphore, 0, IPC_RMID);
}

TEST_F(NamedEventTest, ASetKeepsItsEventWhenTheNameHoldsAnotherKind) {
    const auto setter = CreateEvent(kEventTestName, false);
    ASSERT_NE(setter, nullptr);
    const int semaphore = RemoveRecordOnly(kEventTestName);
    bool exists = false;
    const auto mutex = NOs::NNamedMutex::CreateOwned(kEventTestName, &exists);
    ASSERT_TRUE(mutex);

    EXPECT_TRUE(setter->Set());
    EXPECT_EQ(setter->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(OpenEvent(kEventTestName), nullptr);
    ::semctl(semaphore, 0, IPC_RMID);
}

TEST_F(NamedEventTest, AnEventForEveryAccountHasMode0666WhateverTheUmask) {
    const mode_t saved = ::umask(077);
    const auto everyone = CreateEvent("Global\\everyone", false);
    const auto own = CreateEvent("Global\\own", false, nullptr, NObjectAccess::Default);
    ::umask(saved);
    ASSERT_NE(everyone, nullptr);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(ModeOf("Global\\everyone"), 0666u);
    EXPECT_EQ(ModeOf("Global\\own"), 0600u);
    struct stat info {};
    ASSERT_EQ(::stat(RecordPath("Global\\everyone").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);  // read by all, written by root alone
}

TEST_F(NamedEventTest, AnotherProcessOpensTheEventAndASetReleasesIt) {
    const auto event = CreateEvent(kEventTestName, false);
    ASSERT_NE(event, nullptr);
    NPipe ready;
    const auto waiter = StartWaiter(kEventTestName, ready);
    ASSERT_TRUE(ready.Receive());
    EXPECT_TRUE(event->Set());
    EXPECT_EQ(waiter->Wait(), 0);
}

TEST_F(NamedEventTest, AnotherProcessSetsTheEvent) {
    const auto event = CreateEvent(kEventTestName, false);
    ASSERT_NE(event, nullptr);
    NForkedChild setter([] {
        const auto opened = OpenEvent(kEventTestName);
        return opened && opened->Set() ? 0 : 1;
    });
    EXPECT_EQ(event->Wait(kReleaseTimeoutMs), NWaitResult::Signalled);
    EXPECT_EQ(setter.Wait(), 0);
}

TEST_F(NamedEventTest, EachSetOfAnAutoResetEventReleasesOneWaiter) {
    const auto event = CreateEvent(kEventTestName, false);
    ASSERT_NE(event, nullptr);
    NPipe ready;
    NPipe released;
    std::vector<std::unique_ptr<NForkedChild>> waiters;
    waiters.push_back(StartWaiter(kEventTestName, ready, &released, 0));
    waiters.push_back(StartWaiter(kEventTestName, ready, &released, 1));
    ASSERT_TRUE(ready.Receive());
    ASSERT_TRUE(ready.Receive());

    EXPECT_TRUE(event->Set());
    char first = 0;
    ASSERT_TRUE(released.Receive(&first));
    ASSERT_TRUE(first == 0 || first == 1);
    EXPECT_EQ(waiters[static_cast<size_t>(first)]->Wait(), 0);
    // The set was used up by the one waiter it released.
    EXPECT_EQ(event->Wait(0), NWaitResult::TimedOut);
    EXPECT_TRUE(waiters[static_cast<size_t>(1 - first)]->IsRunning());

    EXPECT_TRUE(event->Set());
    EXPECT_EQ(waiters[static_cast<size_t>(1 - first)]->Wait(), 0);
}

TEST_F(NamedEventTest, ASetOfAManualResetEventReleasesEveryWaiter) {
    const auto event = CreateEvent(kEventTestName, true);
    ASSERT_NE(event, nullptr);
    NPipe ready;
    const auto first = StartWaiter(kEventTestName, ready);
    const auto second = StartWaiter(kEventTestName, ready);
    ASSERT_TRUE(ready.Receive());
    ASSERT_TRUE(ready.Receive());
    EXPECT_TRUE(event->Set());
    EXPECT_EQ(first->Wait(), 0);
    EXPECT_EQ(second->Wait(), 0);
}

TEST_F(NamedEventTest, AWaiterKilledWhileWaitingLeavesTheEventWorking) {
    const auto event = CreateEvent(kEventTestName, false);
    ASSERT_NE(event, nullptr);
    NPipe ready;
    const auto waiter = StartWaiter(kEventTestName, ready);
    ASSERT_TRUE(ready.Receive());
    waiter->Kill();

    EXPECT_TRUE(event->Set());
    EXPECT_EQ(event->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(event->Wait(0), NWaitResult::TimedOut);
}

using NamedEventAccountTest = NamedEventTest;

TEST_F(NamedEventAccountTest, AnyAccountOpensAndSetsAnEventForEveryAccount) {
    const auto event = CreateEvent(kEventTestName, false);
    const auto own = CreateEvent("Global\\own", false, nullptr, NObjectAccess::Default);
    ASSERT_NE(event, nullptr);
    ASSERT_NE(own, nullptr);
    NForkedChild other([] {
        if (!DropToNobody() || OpenEvent("Global\\own") != nullptr) {
            return 1;
        }
        const auto opened = OpenEvent(kEventTestName);
        if (!opened) {
            return 2;
        }
        return opened->Set() ? 0 : 3;
    });
    EXPECT_EQ(other.Wait(), 0);
    EXPECT_EQ(event->Wait(0), NWaitResult::Signalled);
}

TEST_F(NamedEventAccountTest, AnObjectOfAnotherAccountInTheLocalSpaceIsNeverUsed) {
    const auto event = CreateEvent("local", true);
    ASSERT_NE(event, nullptr);
    EXPECT_TRUE(event->Set());
    ASSERT_EQ(::chown(RecordPath("local").c_str(), 65534, 65534), 0);

    EXPECT_EQ(NNamedEvent::Open("local").Error(), NOs::NObjectError::WrongOwner);
    bool existed = true;
    const auto replaced = CreateEvent("local", false, &existed);
    ASSERT_NE(replaced, nullptr);
    EXPECT_FALSE(existed);
    EXPECT_FALSE(NOs::IsManualReset(*replaced).ValueOr(true));
    EXPECT_EQ(replaced->Wait(0), NWaitResult::TimedOut);
}

// Any account may set, reset and wait an event for every account, but
// neither its record nor its semaphore can be removed, re-moded or shrunk.
TEST_F(NamedEventAccountTest, AnotherAccountCanUseButNotRemoveOrChangeAnEvent) {
    const auto event = CreateEvent(kEventTestName, false);
    ASSERT_NE(event, nullptr);
    const std::string path = RecordPath(kEventTestName);
    const int semaphore = ReadRecord(kEventTestName).nSemaphoreId;
    NForkedChild other([&path, semaphore] {
        if (!DropToNobody()) {
            return 1;
        }
        struct semid_ds info {};
        info.sem_perm.mode = 0600;
        if (::semctl(semaphore, 0, IPC_RMID) == 0 || ::semctl(semaphore, 0, IPC_SET, &info) == 0) {
            return 2;
        }
        if (::truncate(path.c_str(), 0) == 0 || ::unlink(path.c_str()) == 0 ||
            ::open(path.c_str(), O_WRONLY) >= 0) {
            return 3;
        }
        const auto opened = OpenEvent(kEventTestName);
        if (!opened || opened->Wait(0) != NWaitResult::TimedOut) {
            return 4;
        }
        return opened->Set() ? 0 : 5;
    });
    EXPECT_EQ(other.Wait(), 0);
    EXPECT_EQ(event->Wait(0), NWaitResult::Signalled);
    EXPECT_TRUE(event->Set());
    EXPECT_EQ(ModeOf(kEventTestName), 0666u);
}

// The events of an account other than root live in its own space, which
// only it can reach; without root's space nobody else makes Global events.
TEST_F(NamedEventAccountTest, AnotherAccountsOwnEventsLiveInItsOwnSpace) {
    NForkedChild other([] {
        if (!DropToNobody()) {
            return 1;
        }
        if (NNamedEvent::Create("Global\\made-by-nobody", false, NObjectAccess::Everyone).Error() !=
            NOs::NObjectError::NotPermitted) {
            return 2;
        }
        const auto own = CreateEvent("mine", false);
        if (!own) {
            return 3;
        }
        if (!own->Set()) {
            return 4;
        }
        const auto again = OpenEvent("Local\\mine");
        struct stat info {};
        const std::string path = RecordPath("mine");
        const std::string folder = path.substr(0, path.rfind('/'));
        return again && again->Wait(0) == NWaitResult::Signalled &&
                       ::stat(folder.c_str(), &info) == 0 && info.st_uid == 65534 &&
                       (info.st_mode & 07777) == 0700
                   ? 0
                   : 4;
    });
    EXPECT_EQ(other.Wait(), 0);
    EXPECT_EQ(OpenEvent("Global\\made-by-nobody"), nullptr);
    EXPECT_EQ(OpenEvent("mine"), nullptr);  // root's own space is another
    // The account's space goes with the test, as root's does.
    NForkedChild cleaner([this] {
        return DropToNobody() && NOs::RemoveObjectNamespace(m_namespace.Name()) ? 0 : 1;
    });
    EXPECT_EQ(cleaner.Wait(), 0);
}

}  // namespace
