// 100,000 publication cycles of the real publisher against the real
// qxipcdll.dll beside this test, driven by an injected tick source: every
// cycle's slot text must be the record of that cycle's tick, nothing may
// leak, and resident memory must stay flat once warmed up.

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "agent/agent_state.h"
#include "agent/publisher.h"
#include "ipc/global_event.h"
#include "ipc/server_time_channel.h"
#include "libq6time/slot_reader.h"
#include "tests/support/log_capture.h"
#include "tests/support/object_namespace.h"
#include "tests/support/published_record.h"
#include "tests/support/sanitizer_build.h"

#ifdef Q6_ADDRESS_SANITIZER
#include <sanitizer/lsan_interface.h>

// Freed blocks wait in a quarantine before they are used again; at its
// default size of 256 MiB that wait alone would look like growth. A small
// quarantine still catches the use of a block freed by the cycle before.
// The stack kept for each block is cut to two frames: the fast unwinder reads
// garbage past a frame of the C++ library (built without frame pointers), and
// every garbage stack is stored anew, which would look like growth too.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=8:malloc_context_size=2";
}
#endif

namespace {

constexpr int kCycles = 100000;
constexpr int kWarmUpCycles = 5000;
// Growth of the resident set allowed after the warm-up: the allocator's and
// the loader's bookkeeping settle in pages, while a leak of as little as
// 64 bytes a cycle adds up to 6 MiB over the run.
constexpr long kRssToleranceKiB = 2048;
constexpr uint64_t kLargestStepMs = 65535;

constexpr char kAnchorText[] = "2015-06-01 09:30:00";
constexpr uint64_t kAnchorTick = 1000;

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

time_t AnchorSeconds() {
    std::tm anchor{};
    strptime(kAnchorText, "%Y-%m-%d %H:%M:%S", &anchor);
    return timegm(&anchor);
}

// The record of a tick, computed apart from the clock's own calendar code.
std::string ExpectedRecord(uint64_t tick) {
    const time_t seconds = AnchorSeconds() + static_cast<time_t>((tick - kAnchorTick) / 1000);
    std::tm moved{};
    gmtime_r(&seconds, &moved);
    char serverTime[32];
    std::strftime(serverTime, sizeof(serverTime), "%Y-%m-%d %H:%M:%S", &moved);
    return "{\"AtGetTickCount\":\"" + std::to_string(tick) + "\",\"ServerTime\":\"" + serverTime +
           "\"}";
}

// What is wrong with the slot's bytes for this tick; nothing when they hold
// exactly its record as UTF-16LE with one terminating zero unit.
std::optional<std::string> FaultOf(const NOs::NTextResult<std::string>& read, uint64_t tick) {
    if (!read) {
        return read.Error().Message();
    }
    const std::string& bytes = read.Value();
    const std::string text = NQ6Time::SlotTextToUtf8(bytes);
    if (bytes.size() != 2 * text.size() + 2 ||
        bytes.substr(bytes.size() - 2) != std::string(2, '\0')) {
        return "not one zero-terminated UTF-16 text: " + text;
    }
    const std::optional<NPublishedRecord> record = ParsePublishedRecord(text);
    if (!record) {
        return "not a record of two texts: " + text;
    }
    if (record->strTick != std::to_string(tick)) {
        return "tick " + record->strTick + " instead of " + std::to_string(tick);
    }
    if (text != ExpectedRecord(tick)) {
        return text + " instead of " + ExpectedRecord(tick);
    }
    return std::nullopt;
}

TEST(PublisherSoakTest, HundredThousandCyclesPublishEveryTickWithoutGrowth) {
    const NObjectNamespace space;
    NLogCapture log;
    uint64_t tick = kAnchorTick;
    g_bMiniMode = 0;
    g_pTimeTick = std::make_unique<NTimeTick>([&tick] { return tick; }, false);
    ASSERT_TRUE(g_pTimeTick->SetServerTime(u"2015-06-01 09:30:00", u"1000", 0));
    const NMisc::NEventHandle event = NMisc::CreateGlobalEvent(u"Global\\soak_test", 0);
    ASSERT_NE(event, nullptr);
    const NQ6Time::NSlotReader reader;
    ASSERT_TRUE(reader.Loaded()) << reader.Loaded().Error().Message();

    std::mt19937_64 steps(20151);
    int faults = 0;
    int unsignalled = 0;
    std::string firstFault;
    long warmRss = 0;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        if (cycle == kWarmUpCycles) {
            warmRss = ResidentKiB();
        }
        tick += steps() % (kLargestStepMs + 1);
        q6tsa::Send_Time_tick(event.get());
        unsignalled += event->Wait(0) == NOs::NWaitResult::Signalled ? 0 : 1;
        const std::optional<std::string> fault =
            FaultOf(reader.Read(NServerTimeChannel::kSlot), tick);
        if (fault && faults++ == 0) {
            firstFault = "cycle " + std::to_string(cycle) + ": " + *fault;
        }
    }
    const long endRss = ResidentKiB();
    g_pTimeTick.reset();

    EXPECT_EQ(faults, 0) << firstFault;
    EXPECT_EQ(unsignalled, 0);
    EXPECT_TRUE(log.TakeLines().empty());
    ASSERT_GT(warmRss, 0);
    EXPECT_LE(endRss - warmRss, kRssToleranceKiB)
        << "VmRSS " << warmRss << " kB -> " << endRss << " kB";
    std::printf("soak: %d cycles, VmRSS after %d cycles %ld kB, at the end %ld kB\n", kCycles,
                kWarmUpCycles, warmRss, endRss);
#ifdef Q6_ADDRESS_SANITIZER
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}

}  // namespace
