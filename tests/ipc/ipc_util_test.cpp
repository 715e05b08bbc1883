#include "ipc/ipc_util.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>

#include "ipc_probe_run.h"
#include "tests/support/test_constants.h"
#include "tests/support/windows_build.h"

namespace {

using NTestConstants::kMiniSlot;
using NTestConstants::kSlot;
using NTestConstants::SlotArgument;

using ::testing::ElementsAre;

struct NBlockCase {
    const char* pszName;
    const char* pszText;      // UTF-8, as the probe takes it
    const char* pszBlockHex;  // UTF-16LE code units and the zero unit
};

void PrintTo(const NBlockCase& block, std::ostream* stream) { *stream << block.pszName; }

// A probe beside the complete double.
class IpcUtilWriteTest : public ::testing::TestWithParam<NBlockCase> {
protected:
    IpcUtilWriteTest() { m_probe.AddLibrary("full"); }

    NProbeFolder m_probe;
};

TEST_P(IpcUtilWriteTest, BlockIsTheTextsCodeUnitsAndOneZeroUnit) {
    Q6_LINUX_ONLY("a Winelib main() gets its arguments in the ANSI code page");
    const NProbeReport report = m_probe.Run({"util", SlotArgument(kSlot), GetParam().pszText});
    ASSERT_EQ(report.nExitCode, 0);
    EXPECT_THAT(report.results, ElementsAre(1));
    EXPECT_THAT(report.calls, ElementsAre(SetDataCall(kSlot, GetParam().pszBlockHex)));
    EXPECT_THAT(report.mapped, ElementsAre(1, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IpcUtilWriteTest,
    ::testing::Values(NBlockCase{"Empty", "", "0000"},
                      NBlockCase{"Json", "{\"a\":\"1\"}",
                                 "7b002200610022003a00220031002200"
                                 "7d000000"},
                      NBlockCase{"Hangul", "\xED\x95\x9C", "5cd50000"},
                      NBlockCase{"AboveBmp", "a\xF0\x9F\x98\x80", "61003dd800de0000"}),
    [](const ::testing::TestParamInfo<NBlockCase>& test) { return test.param.pszName; });

// The size and the data of the one write that the double saw.
struct NWrite {
    unsigned nSize = 0;
    std::string strHex;
};

NWrite WriteText(const std::string& text) {
    NProbeFolder probe;
    probe.AddLibrary("full");
    const NProbeReport report = probe.Run({"util", SlotArgument(kSlot), text});
    NWrite write;
    if (report.calls.size() == 1) {
        std::string name;
        std::string id;
        std::istringstream(report.calls[0]) >> name >> id >> write.nSize >> write.strHex;
    }
    return write;
}

TEST(IpcUtilSizeTest, ThirtyUnitsMakeSixtyTwoBytesEndingInZeros) {
    const NWrite write = WriteText("abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_EQ(write.nSize, 62u);
    ASSERT_EQ(write.strHex.size(), 2 * 62u);
    EXPECT_EQ(write.strHex.substr(size_t{2} * 60), "0000");
}

TEST(IpcUtilSizeTest, CharacterAboveU10000AddsFourBytes) {
    const NWrite plain = WriteText("ab");
    EXPECT_EQ(plain.nSize, 6u);
    EXPECT_EQ(WriteText("ab\xF0\x9F\x98\x80").nSize, plain.nSize + 4);
}

TEST(IpcUtilSizeTest, BlockSizeIsTwiceTheLengthPlusTwoWhileItFits) {
    uint32_t size = 0;
    EXPECT_TRUE(NIpcUtil::GetBlockSize(0, &size));
    EXPECT_EQ(size, 2u);
    EXPECT_TRUE(NIpcUtil::GetBlockSize(30, &size));
    EXPECT_EQ(size, 62u);
    EXPECT_TRUE(NIpcUtil::GetBlockSize(0x7FFFFFFE, &size));
    EXPECT_EQ(size, 0xFFFFFFFEu);
    size = 5;
    EXPECT_FALSE(NIpcUtil::GetBlockSize(0x7FFFFFFF, &size));
    EXPECT_FALSE(NIpcUtil::GetBlockSize(0xFFFFFFFF, &size));
    EXPECT_EQ(size, 5u);
}

TEST(IpcUtilTest, SlotAndResultPassThroughUnchanged) {
    NProbeFolder probe;
    probe.AddLibrary("full");
    const NProbeReport report =
        probe.Run({"util", SlotArgument(kMiniSlot), "x"}, {Script("fnSetData", "7")});
    EXPECT_THAT(report.results, ElementsAre(7));
    EXPECT_THAT(report.calls, ElementsAre(SetDataCall(kMiniSlot, "78000000")));
}

TEST(IpcUtilTest, WithoutLibraryTheWriteFailsAndIsLogged) {
    NProbeFolder probe;
    const NProbeReport report = probe.Run({"util", SlotArgument(kSlot), "x"});
    ASSERT_EQ(report.nExitCode, 0);
    EXPECT_THAT(report.mapped, ElementsAre(0, 0));
    EXPECT_THAT(report.results, ElementsAre(0));
    ASSERT_EQ(report.logs.size(), 3u);
    EXPECT_EQ(report.logs[0], "[ERROR] NIpcDrvLoader::LoadNwLib driver load error. (" +
                                  probe.Folder().native() + "/qxipcdll.dll)");
    EXPECT_EQ(report.logs[2], "[ERROR] NIpcDrvLoader::SetData m_hLib is NULL.");
}

}  // namespace
