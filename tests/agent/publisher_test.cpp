// The publisher against the real qxipcdll.dll, which the build puts beside
// this test.

#include "agent/publisher.h"

#include <gtest/gtest.h>

#include <string>

#include "libq6time/slot_reader.h"
#include "tests/agent/publisher_fixture.h"
#include "tests/support/test_constants.h"

namespace {

using NTestConstants::kMiniSlot;
using NTestConstants::kSlot;

class PublisherTest : public NPublisherFixture {
protected:
    std::string ReadSlotText(uint32_t slot) {
        const auto bytes = NQ6Time::NSlotReader().Read(slot);
        return bytes ? NQ6Time::SlotTextToUtf8(bytes.Value()) : std::string("<missing>");
    }
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
        EXPECT_TRUE(IsSignalled());
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
