// What named events do on every platform.
#include "os/named_event.h"

#include <gtest/gtest.h>

#include "named_event_fixture.h"
#include "os/named_event_testing.h"
#include "os/named_mutex.h"
#include "os/object_error.h"
#include "tests/support/child_process.h"

#ifdef _WIN32
#include "os/object_name.h"
#include "text/utf_codec.h"
#include "windows_event_dacl.h"
#endif

namespace {

TEST_F(NamedEventTest, ANewEventIsNotSignalled) {
    for (const bool manualReset : {false, true}) {
        const std::string name = manualReset ? "Global\\manual" : "Global\\auto";
        bool existed = true;
        const auto event = CreateEvent(name, manualReset, &existed);
        ASSERT_NE(event, nullptr);
        EXPECT_FALSE(existed);
        EXPECT_EQ(NOs::IsManualReset(*event).ValueOr(!manualReset), manualReset);
        EXPECT_EQ(event->Wait(0), NWaitResult::TimedOut);
        EXPECT_EQ(event->Wait(1), NWaitResult::TimedOut);
    }
}

TEST_F(NamedEventTest, AnAutoResetEventReleasesOneWaitAndResets) {
    const auto event = CreateEvent(kEventTestName, false);
    ASSERT_NE(event, nullptr);
    EXPECT_TRUE(event->Set());
    EXPECT_TRUE(event->Set());  // a set of a signalled event changes nothing
    EXPECT_EQ(event->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(event->Wait(0), NWaitResult::TimedOut);
}

TEST_F(NamedEventTest, AManualResetEventStaysSignalledUntilReset) {
    const auto event = CreateEvent(kEventTestName, true);
    ASSERT_NE(event, nullptr);
    EXPECT_TRUE(event->Set());
    EXPECT_EQ(event->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(event->Wait(kReleaseTimeoutMs), NWaitResult::Signalled);
    EXPECT_TRUE(event->Reset());
    EXPECT_EQ(event->Wait(0), NWaitResult::TimedOut);
}

TEST_F(NamedEventTest, OpeningAnExistingEventKeepsItsModeAndState) {
    const auto first = CreateEvent(kEventTestName, true);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->Set());

    bool existed = false;
    const auto second = CreateEvent(kEventTestName, false, &existed);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(existed);
    EXPECT_TRUE(NOs::IsManualReset(*second).ValueOr(false));
    EXPECT_EQ(second->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(second->Wait(0), NWaitResult::Signalled);

    // Both handles are the one event.
    EXPECT_TRUE(second->Reset());
    EXPECT_EQ(first->Wait(0), NWaitResult::TimedOut);
}

TEST_F(NamedEventTest, LocalNamesShareOneSpaceApartFromGlobalNames) {
    const auto plain = CreateEvent("name", true);
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(plain->Set());
    const auto local = OpenEvent("Local\\name");
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(local->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(OpenEvent("Global\\name"), nullptr);
    EXPECT_EQ(OpenEvent("NAME"), nullptr);  // names are case-sensitive
}

TEST_F(NamedEventTest, ANameOfAnotherKindGivesNull) {
    bool exists = false;
    const auto mutex = NOs::NNamedMutex::CreateOwned(kEventTestName, &exists);
    ASSERT_TRUE(mutex);
    EXPECT_EQ(NNamedEvent::Create(kEventTestName, false, NObjectAccess::Everyone).Error(),
              NOs::NObjectError::OtherKind);
    EXPECT_EQ(NNamedEvent::Open(kEventTestName).Error(), NOs::NObjectError::OtherKind);
}

// Another process opens the event by its name: its set reaches this
// process's wait, and this process's set releases its wait.
TEST_F(NamedEventTest, AnotherProcessOpensTheEventBothWays) {
    const auto event = CreateEvent(kEventTestName, false);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(NChildProcess::Run(Q6_EVENT_SETTER, {"set", kEventTestName}).nExitCode, 0);
    EXPECT_EQ(event->Wait(kReleaseTimeoutMs), NWaitResult::Signalled);

    NChildProcess waiter;
    ASSERT_TRUE(waiter.Start(Q6_EVENT_SETTER, {"wait", kEventTestName}));
    // The set may come before the waiter waits: an auto-reset event keeps it.
    EXPECT_TRUE(event->Set());
    EXPECT_EQ(waiter.WaitForExit(std::chrono::milliseconds(kReleaseTimeoutMs)), 0);
    EXPECT_EQ(NChildProcess::Run(Q6_EVENT_SETTER, {"set", "Global\\missing"}).nExitCode, 2);
}
#ifdef _WIN32
// An event for every account carries a null DACL, one made with the
// defaults does not.
TEST_F(NamedEventTest, AnEventForEveryAccountHasANullDacl) {
    const auto everyone = CreateEvent("Global\\everyone", false);
    const auto owner = CreateEvent("Global\\owner", false, nullptr, NObjectAccess::Default);
    ASSERT_NE(everyone, nullptr);
    ASSERT_NE(owner, nullptr);
    const auto kernelName = [](const char* name) {
        return NUtf::ToUtf16(NOs::GetObjectPath(NOs::GetNamedObjectName(name).Value()));
    };
    EXPECT_EQ(HasNullDacl(kernelName("Global\\everyone")), true);
    EXPECT_EQ(HasNullDacl(kernelName("Global\\owner")), false);
}
#endif
}  // namespace
