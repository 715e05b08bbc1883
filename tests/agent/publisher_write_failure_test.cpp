// The publisher beside the IPC library double, whose writes fail: the event
// stays unsignalled, and the failure is logged at level 0 (FATAL) after the
// loader's line, with the library's reason at DEBUG; the next cycle tries
// afresh.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "agent/publisher.h"
#include "tests/agent/publisher_double_fixture.h"
#include "tests/support/test_constants.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kRecord[] = R"({"AtGetTickCount":"0","ServerTime":"2015-06-01 09:30:00"})";
constexpr char kFailure[] = "[FATAL] q6tsa::Send_Time_tick: ipc.SetData error.";
constexpr char kReason[] =
    "[DEBUG] q6tsa::Send_Time_tick: the IPC library refused the write: no room left";

// The slot bytes of an ASCII text in hex: its UTF-16LE units, then a zero unit.
std::string SlotHex(const std::string& text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char letter : text) {
        hex += {kDigits[(letter >> 4) & 0x0F], kDigits[letter & 0x0F], '0', '0'};
    }
    return hex + "0000";
}

using PublisherWriteFailureTest = NPublisherDoubleFixture;

TEST_F(PublisherWriteFailureTest, AFailedWriteSignalsNothingAndIsLoggedAtLevel0) {
    struct NCase {
        int32_t nMini;
        const char* pszLoaderLine;
    };
    const NCase cases[] = {
        {0, "[ERROR] NIpcDrvLoader::SetData write error. (id: 0x30000259, size: 116)"},
        {1, "[ERROR] NIpcDrvLoader::SetData write error. (id: 0x40000259, size: 116)"},
    };
    Script("fnSetData", "0");
    ::setenv("Q6_IPC_DOUBLE_LAST_ERROR", "no room left", 1);
    for (const NCase& test : cases) {
        SCOPED_TRACE(test.nMini);
        g_bMiniMode = test.nMini;
        const std::string write =
            NIpcDouble::SetDataCall(NTestConstants::SlotFor(test.nMini != 0), SlotHex(kRecord));
        q6tsa::Send_Time_tick(m_pEvent.get());
        EXPECT_THAT(TakeCalls(), ElementsAre(write, "fnLoadIpcDriver", write));
        EXPECT_FALSE(IsSignalled());
        EXPECT_THAT(m_log.TakeLines(), ElementsAre(test.pszLoaderLine, kFailure, kReason));
    }
    ::unsetenv("Q6_IPC_DOUBLE_LAST_ERROR");
}

// When the driver cannot be loaded no second write is made, and the reason
// says so rather than blame a write.
TEST_F(PublisherWriteFailureTest, AFailedDriverLoadIsTheReasonGiven) {
    Script("fnSetData", "0");
    Script("fnLoadIpcDriver", "0");
    ::setenv("Q6_IPC_DOUBLE_LAST_ERROR", "no control block", 1);
    q6tsa::Send_Time_tick(m_pEvent.get());
    ::unsetenv("Q6_IPC_DOUBLE_LAST_ERROR");
    const std::string write = NIpcDouble::SetDataCall(NTestConstants::kSlot, SlotHex(kRecord));
    EXPECT_THAT(TakeCalls(),
                ElementsAre(write, "fnLoadIpcDriver", "fnIpcFixDriverConfig", "fnLoadIpcDriver"));
    EXPECT_FALSE(IsSignalled());
    const std::vector<std::string> lines = m_log.TakeLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(),
              "[DEBUG] q6tsa::Send_Time_tick: the IPC driver cannot be loaded: no control block");
}

TEST_F(PublisherWriteFailureTest, TheNextCycleWritesAfreshAndSignals) {
    Script("fnSetData", "0");
    q6tsa::Send_Time_tick(m_pEvent.get());
    ASSERT_FALSE(IsSignalled());
    ASSERT_THAT(m_log.TakeLines(), ElementsAre(::testing::_, kFailure,
                                               "[DEBUG] q6tsa::Send_Time_tick: the IPC library "
                                               "refused the write"));
    TakeCalls();

    Script("fnSetData", "1");
    q6tsa::Send_Time_tick(m_pEvent.get());
    EXPECT_THAT(TakeCalls(),
                ElementsAre(NIpcDouble::SetDataCall(NTestConstants::kSlot, SlotHex(kRecord))));
    EXPECT_TRUE(IsSignalled());
    EXPECT_THAT(m_log.TakeLines(), IsEmpty());
}

}  // namespace
