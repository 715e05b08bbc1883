#include "os/tick_source.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/windows_build.h"

namespace {

// Seconds since boot as the kernel reports them (CLOCK_BOOTTIME, two decimals).
double ReadUptime() {
    std::ifstream uptime("/proc/uptime");
    double seconds = -1;
    uptime >> seconds;
    return seconds;
}

TEST(TickSourceTest, CountsMillisecondsSinceBoot) {
    const double before = ReadUptime();
    const uint64_t tick = NOs::GetTickCount64();
    const double after = ReadUptime();
    ASSERT_GE(before, 0);
    // /proc/uptime is cut to hundredths of a second. Wine's tick runs on
    // CLOCK_MONOTONIC_RAW, which the clock's slewing does not correct: it
    // may lag the boot time by a fraction of a per cent (Windows counts
    // from boot).
    const double margin = kWindowsBuild ? 10 + before * 10 : 10;
    EXPECT_GE(static_cast<double>(tick), before * 1000 - margin);
    EXPECT_LE(static_cast<double>(tick), after * 1000 + 10);
}

TEST(TickSourceTest, ThirtyTwoBitCounterIsTheLowPart) {
    const uint64_t before = NOs::GetTickCount64();
    const uint32_t tick32 = NOs::GetTickCount();
    const uint64_t after = NOs::GetTickCount64();
    // Counted modulo 2^32 from the low part of the reading before.
    const uint32_t sinceBefore = tick32 - static_cast<uint32_t>(before);
    EXPECT_LE(sinceBefore, after - before);
}

TEST(TickSourceTest, NeverGoesBack) {
    uint64_t previous = NOs::GetTickCount64();
    for (int reading = 0; reading < 1000; ++reading) {
        const uint64_t current = NOs::GetTickCount64();
        ASSERT_GE(current, previous);
        previous = current;
    }
}

}  // namespace
