#include "os/named_event.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "os/named_mutex.h"
#include "os/named_object_space.h"
#include "os/posix/named_object.h"
#include "os/shared_memory.h"
#include "tests/support/forked_child.h"
#include "tests/support/shm_namespace.h"

namespace {

using NOs::NNamedEvent;
using NOs::NObjectAccess;
using NOs::NWaitResult;

constexpr char kName[] = "Global\\q6pt_event01";
// Long enough never to end a wait that a set is meant to end.
constexpr uint32_t kReleaseTimeoutMs = 60000;

std::unique_ptr<NNamedEvent> CreateEvent(const std::string& name, bool manualReset,
                                         bool* existed = nullptr,
                                         NObjectAccess access = NObjectAccess::Everyone) {
    return NNamedEvent::Create(name, manualReset, access, existed);
}

uint32_t ModeOf(const std::string& name) {
    struct stat info {};
    const std::string path = NOs::GetSharedMemoryPath(NOs::GetNamedObjectShmName(name));
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// A child that opens the event by name, sends a byte through ready and
// waits for the event; then it sends its tag through released (when given).
// Exit 0 when a set released it, 1 when it timed out, 2 when it could not
// open the event.
std::unique_ptr<NForkedChild> StartWaiter(const std::string& name, NPipe& ready,
                                          NPipe* released = nullptr, char tag = 'w') {
    return std::make_unique<NForkedChild>([&name, &ready, released, tag] {
        const auto event = NNamedEvent::Open(name);
        if (!event) {
            return 2;
        }
        ready.Send();
        const NWaitResult result = event->Wait(kReleaseTimeoutMs);
        if (released != nullptr) {
            released->Send(tag);
        }
        return result == NWaitResult::Signalled ? 0 : 1;
    });
}

class NamedEventTest : public ::testing::Test {
protected:
    NShmNamespace m_namespace;
};

TEST_F(NamedEventTest, ANewEventIsNotSignalled) {
    for (const bool manualReset : {false, true}) {
        const std::string name = manualReset ? "Global\\manual" : "Global\\auto";
        bool existed = true;
        const auto event = CreateEvent(name, manualReset, &existed);
        ASSERT_NE(event, nullptr);
        EXPECT_FALSE(existed);
        EXPECT_EQ(event->IsManualReset(), manualReset);
        EXPECT_EQ(event->Wait(0), NWaitResult::TimedOut);
        EXPECT_EQ(event->Wait(1), NWaitResult::TimedOut);
    }
}

TEST_F(NamedEventTest, AnAutoResetEventReleasesOneWaitAndResets) {
    const auto event = CreateEvent(kName, false);
    ASSERT_NE(event, nullptr);
    event->Set();
    event->Set();  // a set of a signalled event changes nothing
    EXPECT_EQ(event->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(event->Wait(0), NWaitResult::TimedOut);
}

TEST_F(NamedEventTest, AManualResetEventStaysSignalledUntilReset) {
    const auto event = CreateEvent(kName, true);
    ASSERT_NE(event, nullptr);
    event->Set();
    EXPECT_EQ(event->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(event->Wait(kReleaseTimeoutMs), NWaitResult::Signalled);
    event->Reset();
    EXPECT_EQ(event->Wait(0), NWaitResult::TimedOut);
}

TEST_F(NamedEventTest, OpeningAnExistingEventKeepsItsModeAndState) {
    const auto first = CreateEvent(kName, true);
    ASSERT_NE(first, nullptr);
    first->Set();

    bool existed = false;
    const auto second = CreateEvent(kName, false, &existed);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(existed);
    EXPECT_TRUE(second->IsManualReset());
    EXPECT_EQ(second->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(second->Wait(0), NWaitResult::Signalled);

    // Both handles are the one event.
    second->Reset();
    EXPECT_EQ(first->Wait(0), NWaitResult::TimedOut);
}

TEST_F(NamedEventTest, LocalNamesShareOneSpaceApartFromGlobalNames) {
    const auto plain = CreateEvent("name", true);
    ASSERT_NE(plain, nullptr);
    plain->Set();
    const auto local = NNamedEvent::Open("Local\\name");
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(local->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(NNamedEvent::Open("Global\\name"), nullptr);
    EXPECT_EQ(NNamedEvent::Open("NAME"), nullptr);  // names are case-sensitive
}

TEST_F(NamedEventTest, ANameOfAnotherKindOrADamagedObjectGivesNull) {
    bool exists = false;
    const auto mutex = NOs::NNamedMutex::CreateOwned(kName, NObjectAccess::Default, &exists);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(CreateEvent(kName, false), nullptr);
    EXPECT_EQ(NNamedEvent::Open(kName), nullptr);

    const auto event = CreateEvent("Global\\damaged", false);
    ASSERT_NE(event, nullptr);
    const auto raw = NOs::NSharedMemory::Open(NOs::GetNamedObjectShmName("Global\\damaged"), true);
    ASSERT_NE(raw, nullptr);
    static_cast<NOs::NObjectHeader*>(raw->GetData())->nLayout = 99;
    EXPECT_EQ(CreateEvent("Global\\damaged", false), nullptr);
}

TEST_F(NamedEventTest, ASetPutsARemovedNameBackWithTheSameModeAndAccess) {
    const mode_t previousUmask = ::umask(077);
    const auto setter = CreateEvent(kName, true);
    ASSERT_NE(setter, nullptr);
    ASSERT_TRUE(NOs::RemoveNamedObject(kName));
    ASSERT_EQ(NNamedEvent::Open(kName), nullptr);

    setter->Set();
    ::umask(previousUmask);
    const auto reader = NNamedEvent::Open(kName);
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(reader->IsManualReset());
    EXPECT_EQ(ModeOf(kName), 0666u);
    EXPECT_EQ(reader->Wait(0), NWaitResult::Signalled);
    // The setter now uses the event under the name.
    reader->Reset();
    setter->Set();
    EXPECT_EQ(reader->Wait(0), NWaitResult::Signalled);
}

TEST_F(NamedEventTest, ASetReachesTheEventThatNowHoldsTheNameAndItsOldWaiters) {
    const auto setter = CreateEvent(kName, false);
    ASSERT_NE(setter, nullptr);
    const auto oldHandle = NNamedEvent::Open(kName);
    ASSERT_NE(oldHandle, nullptr);
    ASSERT_TRUE(NOs::RemoveNamedObject(kName));
    const auto newcomer = CreateEvent(kName, false);
    ASSERT_NE(newcomer, nullptr);
    NPipe ready;
    const auto waiter = StartWaiter(kName, ready);
    ASSERT_TRUE(ready.Receive());

    setter->Set();
    EXPECT_EQ(waiter->Wait(), 0);
    EXPECT_EQ(oldHandle->Wait(0), NWaitResult::Signalled);
    setter->Set();
    EXPECT_EQ(newcomer->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(oldHandle->Wait(0), NWaitResult::TimedOut);
}

TEST_F(NamedEventTest, ASetKeepsItsEventWhenTheNameHoldsAnotherKind) {
    const auto setter = CreateEvent(kName, false);
    ASSERT_NE(setter, nullptr);
    ASSERT_TRUE(NOs::RemoveNamedObject(kName));
    bool exists = false;
    const auto mutex = NOs::NNamedMutex::CreateOwned(kName, NObjectAccess::Default, &exists);
    ASSERT_NE(mutex, nullptr);

    setter->Set();
    EXPECT_EQ(setter->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(NNamedEvent::Open(kName), nullptr);
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
}

TEST_F(NamedEventTest, AnotherProcessOpensTheEventAndASetReleasesIt) {
    const auto event = CreateEvent(kName, false);
    ASSERT_NE(event, nullptr);
    NPipe ready;
    const auto waiter = StartWaiter(kName, ready);
    ASSERT_TRUE(ready.Receive());
    event->Set();
    EXPECT_EQ(waiter->Wait(), 0);
}

TEST_F(NamedEventTest, AnotherProcessSetsTheEvent) {
    const auto event = CreateEvent(kName, false);
    ASSERT_NE(event, nullptr);
    NForkedChild setter([] {
        const auto opened = NNamedEvent::Open(kName);
        if (opened) {
            opened->Set();
        }
        return opened ? 0 : 1;
    });
    EXPECT_EQ(event->Wait(kReleaseTimeoutMs), NWaitResult::Signalled);
    EXPECT_EQ(setter.Wait(), 0);
}

TEST_F(NamedEventTest, EachSetOfAnAutoResetEventReleasesOneWaiter) {
    const auto event = CreateEvent(kName, false);
    ASSERT_NE(event, nullptr);
    NPipe ready;
    NPipe released;
    std::vector<std::unique_ptr<NForkedChild>> waiters;
    waiters.push_back(StartWaiter(kName, ready, &released, 0));
    waiters.push_back(StartWaiter(kName, ready, &released, 1));
    ASSERT_TRUE(ready.Receive());
    ASSERT_TRUE(ready.Receive());

    event->Set();
    char first = 0;
    ASSERT_TRUE(released.Receive(&first));
    ASSERT_TRUE(first == 0 || first == 1);
    EXPECT_EQ(waiters[static_cast<size_t>(first)]->Wait(), 0);
    // The set was used up by the one waiter it released.
    EXPECT_EQ(event->Wait(0), NWaitResult::TimedOut);
    EXPECT_TRUE(waiters[static_cast<size_t>(1 - first)]->IsRunning());

    event->Set();
    EXPECT_EQ(waiters[static_cast<size_t>(1 - first)]->Wait(), 0);
}

TEST_F(NamedEventTest, ASetOfAManualResetEventReleasesEveryWaiter) {
    const auto event = CreateEvent(kName, true);
    ASSERT_NE(event, nullptr);
    NPipe ready;
    const auto first = StartWaiter(kName, ready);
    const auto second = StartWaiter(kName, ready);
    ASSERT_TRUE(ready.Receive());
    ASSERT_TRUE(ready.Receive());
    event->Set();
    EXPECT_EQ(first->Wait(), 0);
    EXPECT_EQ(second->Wait(), 0);
}

TEST_F(NamedEventTest, AWaiterKilledWhileWaitingLeavesTheEventWorking) {
    const auto event = CreateEvent(kName, false);
    ASSERT_NE(event, nullptr);
    NPipe ready;
    const auto waiter = StartWaiter(kName, ready);
    ASSERT_TRUE(ready.Receive());
    waiter->Kill();

    event->Set();
    EXPECT_EQ(event->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(event->Wait(0), NWaitResult::TimedOut);
}

class NamedEventAccountTest : public NamedEventTest {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root to change to another account";
        }
    }
};

TEST_F(NamedEventAccountTest, AnyAccountOpensAndSetsAnEventForEveryAccount) {
    const auto event = CreateEvent(kName, false);
    const auto own = CreateEvent("Global\\own", false, nullptr, NObjectAccess::Default);
    ASSERT_NE(event, nullptr);
    ASSERT_NE(own, nullptr);
    NForkedChild other([] {
        if (!DropToNobody() || NNamedEvent::Open("Global\\own") != nullptr) {
            return 1;
        }
        const auto opened = NNamedEvent::Open(kName);
        if (!opened) {
            return 2;
        }
        opened->Set();
        return 0;
    });
    EXPECT_EQ(other.Wait(), 0);
    EXPECT_EQ(event->Wait(0), NWaitResult::Signalled);
}

TEST_F(NamedEventAccountTest, AnObjectOfAnotherAccountInTheLocalSpaceIsNeverUsed) {
    const auto event = CreateEvent("local", true);
    ASSERT_NE(event, nullptr);
    event->Set();
    const std::string path = NOs::GetSharedMemoryPath(NOs::GetNamedObjectShmName("local"));
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);

    EXPECT_EQ(NNamedEvent::Open("local"), nullptr);
    bool existed = true;
    const auto replaced = CreateEvent("local", false, &existed);
    ASSERT_NE(replaced, nullptr);
    EXPECT_FALSE(existed);
    EXPECT_FALSE(replaced->IsManualReset());
    EXPECT_EQ(replaced->Wait(0), NWaitResult::TimedOut);
}

}  // namespace
