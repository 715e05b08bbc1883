// q6ipc as installed: the executable and qxipcdll.dll copied together into a
// fresh folder, reading the slots and events of this test's namespace.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "base/text_convert.h"
#include "ipc/global_event.h"
#include "ipcdrv/qxipcdll.h"
#include "os/named_event.h"
#include "os/tick_source.h"
#include "tests/support/object_namespace.h"
#include "tests/support/slot_text.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_constants.h"
#include "tests/tools/q6ipc_folder_test.h"

namespace {

namespace fs = std::filesystem;

using NTestConstants::kMiniSlot;
using NTestConstants::kSlot;

std::string Record(const std::string& serverTime, const std::string& tick) {
    return "{\"AtGetTickCount\":\"" + tick + "\",\"ServerTime\":\"" + serverTime + "\"}";
}

constexpr size_t kDateTimeTextLength = sizeof("YYYY-MM-DD hh:mm:ss") - 1;

class Q6IpcTest : public NQ6IpcFolderTest {
protected:
    void SetUp() override {
        NQ6IpcFolderTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        fs::create_directory(m_folder.Path() / "registry");
        fs::copy_file(fs::path(Q6_REGISTRY_SOURCE) / "time-zones.reg",
                      m_folder.Path() / "registry" / "time-zones.reg");
        ::unsetenv("Q6_REGISTRY_DIR");
    }

    static void WriteRecord(uint32_t slot, const std::string& serverTime, const std::string& tick) {
        WriteBytes(slot, SlotBytesOf(Record(serverTime, tick)));
    }

    // Runs `now` with a record anchored elapsedMs before the run, and checks
    // that the time shown lies between the anchor carried to the ticks just
    // before and just after the run.
    void ExpectNow(const std::vector<std::string>& arguments, uint32_t slot, int64_t shiftSeconds) {
        const std::string anchor = "2015-06-01 09:30:00";
        constexpr uint64_t elapsedMs = 5000;
        const uint64_t before = NOs::GetTickCount64();
        WriteRecord(slot, anchor, std::to_string(before - elapsedMs));
        const NRunResult result = Run(arguments);
        const uint64_t after = NOs::GetTickCount64();
        ASSERT_EQ(result.nExitCode, 0) << result.strErr;
        ASSERT_EQ(result.strOut.size(), kDateTimeTextLength + 1) << result.strOut;
        const int64_t shown = Seconds(result.strOut.substr(0, kDateTimeTextLength));
        const int64_t base = Seconds(anchor) + shiftSeconds;
        EXPECT_GE(shown, base + static_cast<int64_t>(elapsedMs / 1000));
        EXPECT_LE(shown, base + static_cast<int64_t>((after - before + elapsedMs) / 1000) + 1);
    }
};

TEST_F(Q6IpcTest, TickPrintsTheMachinesTickInMilliseconds) {
    const uint64_t before = NOs::GetTickCount64();
    const NRunResult result = Run({"tick"});
    const uint64_t after = NOs::GetTickCount64();
    ASSERT_EQ(result.nExitCode, 0);
    ASSERT_FALSE(result.strOut.empty());
    EXPECT_EQ(result.strOut.find_first_not_of("0123456789"), result.strOut.size() - 1);
    const uint64_t tick = std::stoull(result.strOut);
    EXPECT_GE(tick, before);
    EXPECT_LE(tick, after);
}

TEST_F(Q6IpcTest, GetRawPrintsExactlyTheBytesWritten) {
    const std::string bytes = SlotBytesOf(u"{\"AtGetTickCount\":\"1\",\"ServerTime\":\"x\"}") +
                              std::string("\xFF\x00\x01", 3);
    WriteBytes(kSlot, bytes);
    for (const std::string slot : {"0x30000259", "0X30000259", "805306969", "06000001131"}) {
        const NRunResult result = Run({"get", slot, "--raw"});
        EXPECT_EQ(result.nExitCode, 0) << slot;
        EXPECT_EQ(result.strOut, bytes) << slot;
        EXPECT_EQ(result.strErr, "");
    }
    EXPECT_EQ(Run({"get", "--raw", "0x30000259"}).strOut, bytes);
}

TEST_F(Q6IpcTest, GetPrintsTheSlotTextAsUtf8) {
    WriteBytes(kMiniSlot, SlotBytesOf(u"caf\u00E9 \U0001F600") + "junk after the end");
    const NRunResult result = Run({"get", "0x40000259"});
    EXPECT_EQ(result.nExitCode, 0);
    EXPECT_EQ(result.strOut, "caf\xC3\xA9 \xF0\x9F\x98\x80\n");

    WriteBytes(kMiniSlot, std::string("A\0B", 3));  // an odd last byte
    EXPECT_EQ(Run({"get", "0x40000259"}).strOut, "A\xEF\xBF\xBD\n");
}

TEST_F(Q6IpcTest, AMissingSlotOrDriverExitsWith1) {
    NRunResult result = Run({"get", "0x30000259"});
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_EQ(result.strOut, "");
    EXPECT_EQ(result.strErr, "q6ipc: slot 0x30000259 is missing or cannot be read\n");

    WriteBytes(kSlot, "x");
    ASSERT_EQ(fnUnloadIpcDriver(), 1);
    EXPECT_EQ(Run({"get", "0x30000259"}).nExitCode, 1);
}

TEST_F(Q6IpcTest, WithoutTheLibraryBesideItNothingCanBeRead) {
    WriteBytes(kSlot, "x");
    fs::remove(m_folder.Path() / "qxipcdll.dll");
    const NRunResult result = Run({"get", "0x30000259"});
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_NE(result.strErr.find("cannot load " + (m_folder.Path() / "qxipcdll.dll").string()),
              std::string::npos)
        << result.strErr;
}

TEST_F(Q6IpcTest, ALibraryWithoutTheReadExportReadsNothing) {
    WriteBytes(kSlot, "x");
    fs::copy_file(fs::path(Q6_IPC_DOUBLES_DIR) / "no_fnGetData" / "qxipcdll.dll",
                  m_folder.Path() / "qxipcdll.dll", fs::copy_options::overwrite_existing);
    const NRunResult result = Run({"get", "0x30000259"});
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_NE(result.strErr.find("fnGetData"), std::string::npos) << result.strErr;
}

// Each usage error is told apart by the parser (command_line_test.cpp); here
// the process shows how one is printed and its exit code: 2, or for the
// monitoring plugin check the plugins' UNKNOWN, 3.
TEST_F(Q6IpcTest, AUsageErrorNamesWhatIsWrongAndPointsToHelp) {
    const struct {
        std::vector<std::string> arguments;
        const char* pszError;
        int nExitCode;
    } cases[] = {
        {{"stauts"}, "q6ipc: unknown command 'stauts'\n", 2},
        {{"get", "12abc"},
         "q6ipc: invalid SLOT '12abc' (a 32-bit number: 0x30000259, 017, 31)\n",
         2},
        {{"check", "--warning=soon"}, "q6ipc: invalid argument 'soon' for '--warning'\n", 3},
    };
    for (const auto& test : cases) {
        const NRunResult result = Run(test.arguments);
        EXPECT_EQ(result.nExitCode, test.nExitCode) << test.pszError;
        EXPECT_EQ(result.strErr, std::string(test.pszError) + "Try 'q6ipc --help'\n");
        EXPECT_EQ(result.strOut, "") << test.pszError;
    }
}

TEST_F(Q6IpcTest, WaitEndsWithTheEventOrFailsWith1) {
    const NRunResult missing = Run({"wait", "Global\\q6_test_event", "--timeout", "0"});
    EXPECT_EQ(missing.nExitCode, 1);
    EXPECT_EQ(missing.strErr,
              "q6ipc: no event named Global\\q6_test_event: No such file or directory\n");

    const NMisc::NEventHandle event = NMisc::CreateGlobalEvent(u"Global\\q6_test_event", 0);
    ASSERT_NE(event, nullptr);
    const NRunResult timedOut = Run({"wait", "Global\\q6_test_event", "--timeout", "0"});
    EXPECT_EQ(timedOut.nExitCode, 1);
    EXPECT_EQ(timedOut.strErr, "q6ipc: timed out waiting for Global\\q6_test_event\n");

    EXPECT_TRUE(NMisc::SetGlobalEvent(event.get()));
    EXPECT_EQ(Run({"wait", "Global\\q6_test_event"}).nExitCode, 0);
    EXPECT_EQ(event->Wait(0), NOs::NWaitResult::TimedOut);  // the wait used the set up

    EXPECT_TRUE(NMisc::SetGlobalEvent(event.get()));
    EXPECT_EQ(Run({"wait", "Global\\q6_test_event", "--timeout", "60000"}).nExitCode, 0);
}

TEST_F(Q6IpcTest, NowCarriesTheServerTimeForwardWithThisMachinesTick) {
    ExpectNow({"now"}, kSlot, 0);
    ExpectNow({"now", "--mini"}, kMiniSlot, 0);
}

TEST_F(Q6IpcTest, NowInKoreaStandardTimeIsNineHoursAhead) {
    constexpr int64_t kNineHours = int64_t{9} * 3600;
    ExpectNow({"now", "--korea"}, kSlot, kNineHours);
    ExpectNow({"now", "--mini", "--korea"}, kMiniSlot, kNineHours);
}

TEST_F(Q6IpcTest, NowInKoreaStandardTimeNeedsTheZoneRules) {
    fs::remove_all(m_folder.Path() / "registry");
    WriteRecord(kSlot, "2015-06-01 09:30:00", "0");
    const NRunResult result = Run({"now", "--korea"});
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_EQ(result.strOut, "");
}

TEST_F(Q6IpcTest, NowNeedsARecordWithAServerTimeAndATick) {
    EXPECT_EQ(Run({"now"}).nExitCode, 1);  // no record at all
    const std::vector<std::u16string> records = {
        u"not json",
        u"[1,2]",
        u"{\"ServerTime\":\"2015-06-01 09:30:00\"}",
        u"{\"AtGetTickCount\":\"5\"}",
        u"{\"AtGetTickCount\":5,\"ServerTime\":\"2015-06-01 09:30:00\"}",
        u"{\"AtGetTickCount\":\"-5\",\"ServerTime\":\"2015-06-01 09:30:00\"}",
        u"{\"AtGetTickCount\":\"5\",\"ServerTime\":\"2015-06-01\"}",
        u"{\"AtGetTickCount\":\"5\",\"ServerTime\":\"3500-06-01 09:30:00\"}",
    };
    for (const std::u16string& record : records) {
        WriteBytes(kSlot, SlotBytesOf(record));
        const NRunResult result = Run({"now"});
        EXPECT_EQ(result.nExitCode, 1) << NUtf::ToUtf8(record);
        EXPECT_EQ(result.strOut, "") << NUtf::ToUtf8(record);
    }
}

}  // namespace
