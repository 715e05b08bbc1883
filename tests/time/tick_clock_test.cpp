#include "time/tick_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "file_time_constants.h"
#include "os/tick_source.h"
#include "tests/support/registry_folder.h"

namespace {

constexpr uint64_t kUnitsPerMs = 10000;
constexpr uint64_t kMaxTick = 0x7FFFFFFFFFFFFFFF;

// A tick counter that moves only when the test says so.
class NFakeCounter {
public:
    NTickReader Reader() {
        return [counter = m_pNow] { return counter->load(); };
    }
    void Set(uint64_t tick) { m_pNow->store(tick); }
    void Advance(uint64_t milliseconds) { m_pNow->fetch_add(milliseconds); }
    uint64_t Now() const { return m_pNow->load(); }

private:
    std::shared_ptr<std::atomic<uint64_t>> m_pNow = std::make_shared<std::atomic<uint64_t>>(0);
};

std::string Narrow(const NString& text) {
    const std::u16string wide(text.GetText());
    return std::string(wide.begin(), wide.end());
}

class TickClockTest : public ::testing::Test {
protected:
    NFakeCounter m_counter;
    NTimeTick m_clock{m_counter.Reader(), false};
};

TEST_F(TickClockTest, StartsAtZero) {
    EXPECT_EQ(m_clock.GetServerTime(), 0u);
    EXPECT_EQ(m_clock.GetTick(), 0u);
    EXPECT_FALSE(m_clock.IsTick32());
}

TEST_F(TickClockTest, AnchorsOnTheDateAndAddsTheElapsedTicks) {
    m_counter.Set(1500);
    EXPECT_TRUE(m_clock.SetServerTime(u"1970-01-01 00:00:00", u"1000", 0));
    EXPECT_EQ(m_clock.GetServerTime(), k1970 + 500 * kUnitsPerMs);
    EXPECT_EQ(m_clock.GetTick(), 1500u);
}

TEST_F(TickClockTest, SubtractsTheCorrection) {
    m_counter.Set(1000);
    ASSERT_TRUE(m_clock.SetServerTime(u"1970-01-01 00:00:00", u"1000", 3 * kUnitsPerSecond));
    EXPECT_EQ(m_clock.GetServerTime(), k1970 - 3 * kUnitsPerSecond);
    ASSERT_TRUE(m_clock.SetServerTime(u"1970-01-01 00:00:00", u"1000", -7));
    EXPECT_EQ(m_clock.GetServerTime(), k1970 + 7);
}

TEST_F(TickClockTest, ACorrectionBeyondTheStartOf1601StopsThere) {
    m_counter.Set(1000);
    ASSERT_TRUE(m_clock.SetServerTime(u"1970-01-01 00:00:00", u"1000", k1970 + 1));
    EXPECT_EQ(m_clock.GetServerTime(), 0u);
}

TEST_F(TickClockTest, RefusesDateTextsOfAnotherLength) {
    m_counter.Set(1000);
    const char16_t* const texts[] = {u"1970-01-01 00:00:0", u"1970-01-01 00:00:000", u"", nullptr};
    for (const char16_t* text : texts) {
        EXPECT_FALSE(m_clock.SetServerTime(text, u"5", 0));
        EXPECT_EQ(m_clock.GetServerTime(), 0u);
        EXPECT_EQ(m_clock.GetTick(), 0u);
    }
}

TEST_F(TickClockTest, ADateOutsideTheRangeStartsOneSecondBefore1970) {
    for (const char16_t* text : {u"1969-12-31 11:59:59", u"3001-01-01 21:00:00"}) {
        EXPECT_TRUE(m_clock.SetServerTime(text, u"0", 0));
        EXPECT_EQ(m_clock.GetServerTime(), k1970 - kUnitsPerSecond);
    }
    EXPECT_TRUE(m_clock.SetServerTime(u"1969-12-31 12:00:00", u"0", 0));
    EXPECT_EQ(m_clock.GetServerTime(), k1970 - uint64_t{12} * 3600 * kUnitsPerSecond);
}

TEST_F(TickClockTest, ReadsTheTickText) {
    m_counter.Set(kMaxTick);
    const std::pair<const char16_t*, uint64_t> cases[] = {
        {u"", 0},           {u"abc", 0},   {nullptr, 0},
        {u" +123xyz", 123}, {u"\t42", 42}, {u"99999999999999999999", kMaxTick},
    };
    for (const auto& [text, tick] : cases) {
        ASSERT_TRUE(m_clock.SetServerTime(u"1970-01-01 00:00:00", text, 0));
        EXPECT_EQ(m_clock.GetTick(), kMaxTick);  // refreshed at once
        EXPECT_EQ(m_clock.GetServerTime(), k1970 + (kMaxTick - tick) * kUnitsPerMs);
    }
}

TEST_F(TickClockTest, ATickTextWithoutDigitsAddsTheWholeUptime) {
    m_counter.Set(123456);
    ASSERT_TRUE(m_clock.SetServerTime(u"1970-01-01 00:00:00", u"none", 0));
    EXPECT_EQ(m_clock.GetServerTime(), k1970 + 123456 * kUnitsPerMs);
}

TEST_F(TickClockTest, ANegativeOrTooLargeTickFreezesTheClock) {
    m_counter.Set(5000);
    for (const char16_t* text : {u"-1", u"99999999999999999999", u"5001"}) {
        ASSERT_TRUE(m_clock.SetServerTime(u"1970-01-01 00:00:00", text, 0));
        m_clock.Refresh();
        EXPECT_EQ(m_clock.GetServerTime(), k1970);
        EXPECT_GT(m_clock.GetTick(), m_counter.Now());
    }
}

TEST_F(TickClockTest, AStoredTickAboveTheCounterChangesNothingUntilPassed) {
    m_counter.Set(500);
    m_clock.SetBase(k1970, 1000);
    uint64_t serverTime = 1;
    uint64_t tick = 1;
    m_clock.Refresh(&serverTime, &tick);
    EXPECT_EQ(serverTime, k1970);
    EXPECT_EQ(tick, 1000u);
    // The lock is free again: another thread reads the pair.
    std::thread reader([this, &tick] { tick = m_clock.GetTick(); });
    reader.join();
    EXPECT_EQ(tick, 1000u);

    m_counter.Set(1200);
    m_clock.Refresh();
    EXPECT_EQ(m_clock.GetServerTime(), k1970 + 200 * kUnitsPerMs);
    EXPECT_EQ(m_clock.GetTick(), 1200u);
}

TEST_F(TickClockTest, TwoRefreshesAdvanceByExactlyTheElapsedTicks) {
    m_counter.Set(10);
    m_clock.SetBase(k1970, 10);
    m_counter.Advance(30001);
    m_clock.Refresh();
    const uint64_t first = m_clock.GetServerTime();
    m_counter.Advance(29999);
    m_clock.Refresh();
    EXPECT_EQ(first, k1970 + 30001 * kUnitsPerMs);
    EXPECT_EQ(m_clock.GetServerTime() - first, 29999 * kUnitsPerMs);
    EXPECT_EQ(m_clock.GetTick(), 60010u);
}

TEST(TickClock32Test, BridgesTheWrapOfThe32BitCounter) {
    NFakeCounter counter;
    NTimeTick clock(counter.Reader(), true);
    EXPECT_TRUE(clock.IsTick32());
    counter.Set(0xFFFFFF00);
    clock.SetBase(k1970, 0xFFFFFF00);
    counter.Set(0x100000010);  // only the low 32 bits, 0x10, are read
    uint64_t tick = 0;
    clock.Refresh(nullptr, &tick);
    EXPECT_EQ(clock.GetServerTime(), k1970 + 0x110 * kUnitsPerMs);
    EXPECT_EQ(tick, 0x10u);

    counter.Set(0x20);
    clock.Refresh();
    EXPECT_EQ(clock.GetServerTime(), k1970 + 0x120 * kUnitsPerMs);
}

TEST(TickClock32Test, AStoredTickAboveTheCounterCountsAsAWrap) {
    NFakeCounter counter;
    NTimeTick clock(counter.Reader(), true);
    counter.Set(500);
    clock.SetBase(k1970, 1000);
    EXPECT_EQ(clock.GetServerTime(), k1970 + (0x100000000 - 500) * kUnitsPerMs);
    EXPECT_EQ(clock.GetTick(), 500u);
}

TEST(TickClockSourceTest, WithoutAReaderTheMachine32BitCounterIsRead) {
    NTimeTick clock(NTickReader(), false);
    EXPECT_TRUE(clock.IsTick32());
    const uint32_t before = NOs::GetTickCount();
    clock.Refresh();
    const uint32_t after = NOs::GetTickCount();
    EXPECT_LE(static_cast<uint32_t>(clock.GetTick()) - before, after - before);
}

TEST(TickClockSourceTest, TheMachineClockUsesThe64BitCounter) {
    NTimeTick clock;
    EXPECT_FALSE(clock.IsTick32());
    const uint64_t before = NOs::GetTickCount64();
    clock.SetBase(k1970, before);
    EXPECT_GE(clock.GetTick(), before);
    EXPECT_LE(clock.GetTick(), NOs::GetTickCount64());
    EXPECT_EQ(clock.GetServerTime(), k1970 + (clock.GetTick() - before) * kUnitsPerMs);
}

TEST_F(TickClockTest, RefreshesFromManyThreadsLoseNoTick) {
    m_clock.SetBase(k1970, 0);
    std::vector<std::thread> threads;
    threads.reserve(4);
    for (int index = 0; index < 4; ++index) {
        threads.emplace_back([this] {
            for (int round = 0; round < 2000; ++round) {
                m_counter.Advance(1);
                m_clock.Refresh();
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    m_clock.Refresh();
    EXPECT_EQ(m_clock.GetTick(), 8000u);
    EXPECT_EQ(m_clock.GetServerTime(), k1970 + 8000 * kUnitsPerMs);
}

TEST_F(TickClockTest, GivesTheTimeAsText) {
    m_counter.Set(1000);
    ASSERT_TRUE(m_clock.SetServerTime(u"2021-06-01 23:30:00", u"1000", 0));
    NString text(u"");
    EXPECT_EQ(m_clock.GetTimeText(120, false, text), NTime::NFormatTimeResult::Ok);
    EXPECT_EQ(Narrow(text), "2021-06-01 23:30:00");

    m_counter.Advance(61999);
    EXPECT_EQ(m_clock.GetTimeText(120, false, text), NTime::NFormatTimeResult::Ok);
    EXPECT_EQ(Narrow(text), "2021-06-01 23:30:00");
    EXPECT_EQ(m_clock.GetTimeText(120, true, text), NTime::NFormatTimeResult::Ok);
    EXPECT_EQ(Narrow(text), "2021-06-01 23:31:01");
    EXPECT_EQ(m_clock.GetTick(), 62999u);
}

TEST_F(TickClockTest, FormatsInKoreaStandardTime) {
    g_bTziKoreaLoaded = false;
    const NRegistryVariable shipped(Q6_SHIPPED_REGISTRY_DIR);
    ASSERT_TRUE(m_clock.SetServerTime(u"2021-06-01 23:30:00", u"0", 0));
    NString text(u"");
    EXPECT_EQ(m_clock.FormatTime(true, 120, false, text), NTime::NFormatTimeResult::Ok);
    EXPECT_EQ(Narrow(text), "2021-06-02 08:30:00");
}

}  // namespace
