// The publisher against the real qxipcdll.dll, which the build puts beside
// this test.

#include "agent/publisher.h"

#include <gtest/gtest.h>

#include <string>

#include "agent/agent_state.h"
#include "ipc/global_event.h"
#include "tests/support/log_capture.h"
#include "tests/support/object_namespace.h"
#include "tests/support/test_constants.h"
#include "tools/q6ipc/slot_reader.h"

namespace {

using NTestConstants::kMiniSlot;
using NTestConstants::kSlot;
// 2015-06-01 09:30:00 in 100-nanosecond units since 1601.
constexpr uint64_t kServerTime = (1433151000ull + 11644473600ull) * 10000000ull;

class PublisherTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_pTimeTick = std::make_unique<NTimeTick>([this] { return m_llTick; }, false);
        m_pEvent = NMisc::CreateGlobalEvent(u"Global\\publisher_test", 0);
        ASSERT_NE(m_pEvent, nullptr);
    }
    void TearDown() override {
        g_pTimeTick.reset();
        g_bMiniMode = 0;
    }

    std::string ReadSlotText(uint32_t slot) {
        NQ6Ipc::NSlotReader reader;
        const auto bytes = reader.Read(slot);
        return bytes ? NQ6Ipc::SlotTextToUtf8(*bytes) : std::string("<missing>");
    }

    NObjectNamespace m_namespace;
    uint64_t m_llTick = 0;
    NMisc::NEventHandle m_pEvent;
    NLogCapture m_log;
};

TEST_F(PublisherTest, WritesTheRecordIntoTheEditionsSlotAndSignals) {
    struct Case {
        int32_t mini;
        uint64_t tick;
        uint32_t slot;
        const char* expected;
    };
    const Case cases[] = {
        {0, 0, kSlot, R"({"AtGetTickCount":"0","ServerTime":"2015-06-01 09:30:00"})"},
        {1, 0, kMiniSlot, R"({"AtGetTickCount":"0","ServerTime":"2015-06-01 09:30:00"})"},
        {0, UINT64_MAX, kSlot,
         R"({"AtGetTickCount":"18446744073709551615","ServerTime":"2015-06-01 09:30:00"})"},
    };
    for (const Case& test : cases) {
        g_bMiniMode = test.mini;
        m_llTick = test.tick;
        g_pTimeTick->SetBase(kServerTime, test.tick);
        q6tsa::Send_Time_tick(m_pEvent.get());
        EXPECT_EQ(ReadSlotText(test.slot), test.expected);
        EXPECT_EQ(m_pEvent->Wait(0), NOs::NWaitResult::Signalled);
    }
    EXPECT_TRUE(m_log.TakeLines().empty());
}

TEST_F(PublisherTest, EachCycleRefreshesTheClockOnce) {
    m_llTick = 1000;
    g_pTimeTick->SetBase(kServerTime, 1000);
    q6tsa::Send_Time_tick(m_pEvent.get());
    m_llTick += 30000;
    q6tsa::Send_Time_tick(nullptr);  // no event: the data is still stored
    EXPECT_EQ(ReadSlotText(kSlot),
              R"({"AtGetTickCount":"31000","ServerTime":"2015-06-01 09:30:30"})");
    EXPECT_EQ(g_pTimeTick->GetServerTime(), kServerTime + 30000ull * 10000);
}

}  // namespace
