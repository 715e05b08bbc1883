#include "ipc/global_event.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "os/named_event_testing.h"
#include "os/named_mutex.h"
#include "os/named_object_space.h"
#include "tests/support/forked_child.h"
#include "tests/support/log_capture.h"
#include "tests/support/object_namespace.h"

namespace {

using NOs::NWaitResult;

constexpr char16_t kName[] = u"Global\\q6pt_event01";
constexpr char kNameUtf8[] = "Global\\q6pt_event01";

class GlobalEventTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root: only root makes machine-wide events";
        }
    }

    NObjectNamespace m_namespace;
    NLogCapture m_log;
};

TEST_F(GlobalEventTest, CreatesANonSignalledAutoResetEventThatAnotherProcessOpens) {
    const NMisc::NEventHandle event = NMisc::CreateGlobalEvent(kName, 0);
    ASSERT_NE(event, nullptr);
    EXPECT_FALSE(NOs::IsManualReset(*event).ValueOr(true));
    EXPECT_EQ(event->Wait(0), NWaitResult::TimedOut);

    NPipe ready;
    NForkedChild reader([&ready] {
        const auto opened = NOs::NNamedEvent::Open(kNameUtf8);
        if (!opened) {
            return 2;
        }
        ready.Send();
        return opened.Value()->Wait(60000) == NWaitResult::Signalled ? 0 : 1;
    });
    ASSERT_TRUE(ready.Receive());
    EXPECT_TRUE(NMisc::SetGlobalEvent(event.get()));
    EXPECT_EQ(reader.Wait(), 0);
    EXPECT_EQ(event->Wait(0), NWaitResult::TimedOut);  // the set was used up
    EXPECT_TRUE(m_log.TakeLines().empty());
}

TEST_F(GlobalEventTest, AManualResetRequestGivesAManualResetEvent) {
    const NMisc::NEventHandle event = NMisc::CreateGlobalEvent(kName, 7);
    ASSERT_NE(event, nullptr);
    EXPECT_TRUE(NOs::IsManualReset(*event).ValueOr(false));
}

TEST_F(GlobalEventTest, AnExistingEventKeepsItsModeAndStateWithoutALogLine) {
    const auto existing = NOs::NNamedEvent::Create(kNameUtf8, true, NOs::NObjectAccess::Everyone);
    ASSERT_TRUE(existing);
    ASSERT_TRUE(existing.Value()->Set());

    const NMisc::NEventHandle event = NMisc::CreateGlobalEvent(kName, 0);
    ASSERT_NE(event, nullptr);
    EXPECT_TRUE(NOs::IsManualReset(*event).ValueOr(false));
    EXPECT_EQ(event->Wait(0), NWaitResult::Signalled);
    EXPECT_EQ(event->Wait(0), NWaitResult::Signalled);
    EXPECT_TRUE(m_log.TakeLines().empty());
}

TEST_F(GlobalEventTest, TwoCallsInOneProcessGiveTheSameEvent) {
    const NMisc::NEventHandle first = NMisc::CreateGlobalEvent(kName, 0);
    const NMisc::NEventHandle second = NMisc::CreateGlobalEvent(kName, 0);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(NMisc::SetGlobalEvent(first.get()));
    EXPECT_EQ(second->Wait(0), NWaitResult::Signalled);
}

TEST_F(GlobalEventTest, TheEventIsOpenToEveryAccountWhateverTheUmask) {
    const mode_t saved = ::umask(077);
    const NMisc::NEventHandle event = NMisc::CreateGlobalEvent(kName, 0);
    ::umask(saved);
    ASSERT_NE(event, nullptr);
    NForkedChild other([] {
        if (!DropToNobody()) {
            return 1;
        }
        const auto opened = NOs::NNamedEvent::Open(kNameUtf8);
        if (!opened) {
            return 2;
        }
        return opened.Value()->Set() ? 0 : 3;
    });
    EXPECT_EQ(other.Wait(), 0);
    EXPECT_EQ(event->Wait(0), NWaitResult::Signalled);
}

TEST_F(GlobalEventTest, ANameTakenByAMutexGivesNullWithoutALogLine) {
    bool alreadyExists = false;
    const auto mutex = NOs::NNamedMutex::CreateOwned(kNameUtf8, &alreadyExists);
    ASSERT_TRUE(mutex);
    EXPECT_EQ(NMisc::CreateGlobalEvent(kName, 0), nullptr);
    EXPECT_TRUE(m_log.TakeLines().empty());
}

TEST_F(GlobalEventTest, NamesAreUsedExactlyAsGiven) {
    const NMisc::NEventHandle local = NMisc::CreateGlobalEvent(u"q6pt_event01", 0);
    ASSERT_NE(local, nullptr);
    EXPECT_FALSE(NOs::NNamedEvent::Open(kNameUtf8));  // no "Global\" added

    const NMisc::NEventHandle accented = NMisc::CreateGlobalEvent(u"Global\\\u00E9v\U0001F600", 0);
    ASSERT_NE(accented, nullptr);
    EXPECT_TRUE(NOs::NNamedEvent::Open("Global\\\xC3\xA9v\xF0\x9F\x98\x80"));
}

TEST_F(GlobalEventTest, NoNameGivesNull) {
    EXPECT_EQ(NMisc::CreateGlobalEvent(nullptr, 0), nullptr);
    EXPECT_EQ(NMisc::CreateGlobalEvent(u"", 0), nullptr);
    EXPECT_EQ(NMisc::CreateGlobalEvent(u"Global\\", 0), nullptr);
}

TEST_F(GlobalEventTest, SettingNoEventDoesNothing) {
    const NMisc::NEventHandle event = NMisc::CreateGlobalEvent(kName, 0);
    ASSERT_NE(event, nullptr);
    EXPECT_TRUE(NMisc::SetGlobalEvent(nullptr));
    EXPECT_EQ(event->Wait(0), NWaitResult::TimedOut);
}

}  // namespace
