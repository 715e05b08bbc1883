#include "ipc/ipc_drv_loader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "ipc_probe_run.h"
#include "tests/support/test_constants.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

using NTestConstants::kMiniSlot;
using NTestConstants::kSlot;
using NTestConstants::SlotArgument;

const char* const kLoadFunctionError = "[ERROR] NIpcDrvLoader::LoadNwLib load function error.";
const char* const kNotLoaded = "[ERROR] NIpcDrvLoader::SetData m_hLib is NULL.";
const char* const kLoadDriver1 = "[INFO] NIpcDrvLoader::LoadDriverEx LoadDriver(1) error.";
const char* const kLoadDriver2 = "[ERROR] NIpcDrvLoader::LoadDriverEx LoadDriver(2) error.";
const char* const kFixFailed = "[DEBUG] NIpcDrvLoader::LoadDriverEx FixDriverConfig() failed";

std::string LoadError(const std::filesystem::path& folder) {
    return "[ERROR] NIpcDrvLoader::LoadNwLib driver load error. (" + folder.native() +
           "/qxipcdll.dll)";
}

std::string WriteError(const char* idAndSize) {
    return std::string("[ERROR] NIpcDrvLoader::SetData write error. (") + idAndSize + ")";
}

// A probe beside the complete double.
class IpcDrvLoaderTest : public ::testing::Test {
protected:
    IpcDrvLoaderTest() { m_probe.AddLibrary("full"); }

    // One write of the bytes 61 62 63 into kSlot.
    NProbeReport WriteOnce(const std::vector<std::string>& scripts) {
        return m_probe.Run({"loader", SlotArgument(kSlot), "616263"}, scripts);
    }

    NProbeFolder m_probe;
};

TEST(IpcDrvLoaderNoLibraryTest, LoadErrorNamesThePathAndEveryWriteYieldsZero) {
    NProbeFolder probe;
    const NProbeReport report =
        probe.Run({"loader", SlotArgument(kSlot), "6100", SlotArgument(kMiniSlot), "6200"});
    ASSERT_EQ(report.nExitCode, 0);
    EXPECT_THAT(report.mapped, ElementsAre(0, 0));
    EXPECT_THAT(report.results, ElementsAre(0, 0));
    ASSERT_EQ(report.logs.size(), 4u);
    EXPECT_EQ(report.logs[0], LoadError(probe.Folder()));
    EXPECT_THAT(report.logs[1], StartsWith("[DEBUG] NIpcDrvLoader::LoadNwLib "));
    EXPECT_EQ(report.logs[2], kNotLoaded);
    EXPECT_EQ(report.logs[3], kNotLoaded);
}

TEST(IpcDrvLoaderNoLibraryTest, DriverCallsYieldZeroWithoutLibrary) {
    NProbeFolder probe;
    const NProbeReport report = probe.Run({"driver"});
    ASSERT_EQ(report.nExitCode, 0);
    EXPECT_THAT(report.results, ElementsAre(0, 0, 0));
    ASSERT_EQ(report.logs.size(), 5u);
    EXPECT_EQ(report.logs[0], LoadError(probe.Folder()));
    EXPECT_EQ(report.logs[2], kLoadDriver1);
    EXPECT_EQ(report.logs[3], std::string(kFixFailed));
    EXPECT_EQ(report.logs[4], kLoadDriver2);
}

TEST(IpcDrvLoaderNoLibraryTest, FileThatIsNoLibraryIsNotLoaded) {
    NProbeFolder probe;
    std::ofstream(probe.Folder() / "qxipcdll.dll") << "not a shared object\n";
    const NProbeReport report = probe.Run({"loader", SlotArgument(kSlot), "6100"});
    EXPECT_THAT(report.mapped, ElementsAre(0, 0));
    EXPECT_THAT(report.results, ElementsAre(0));
    ASSERT_EQ(report.logs.size(), 3u);
    EXPECT_EQ(report.logs[0], LoadError(probe.Folder()));
    EXPECT_THAT(report.logs[1], StartsWith("[DEBUG] NIpcDrvLoader::LoadNwLib "));
    EXPECT_EQ(report.logs[2], kNotLoaded);
}

// A library that lacks any one export is released and treated as missing.
class IpcDrvLoaderMissingExportTest : public ::testing::TestWithParam<const char*> {};

TEST_P(IpcDrvLoaderMissingExportTest, LibraryIsReleasedAndNothingIsCalled) {
    NProbeFolder probe;
    probe.AddLibrary(std::string("no_") + GetParam());
    const NProbeReport report = probe.Run({"loader", SlotArgument(kSlot), "6100"});
    ASSERT_EQ(report.nExitCode, 0);
    EXPECT_THAT(report.mapped, ElementsAre(0, 0));
    EXPECT_THAT(report.results, ElementsAre(0));
    EXPECT_THAT(report.calls, IsEmpty());
    EXPECT_THAT(report.logs, ElementsAre(kLoadFunctionError, kNotLoaded));
}

INSTANTIATE_TEST_SUITE_P(
    EveryExport, IpcDrvLoaderMissingExportTest,
    ::testing::Values("fnLoadIpcDriver", "fnUnloadIpcDriver", "fnUninstallIpcDriver",
                      "fnIsLoadedIpcDriver", "fnIsInstalledIpcDriver", "fnGetIpcDiverVersion",
                      "fnSetIpcDebugLevel", "fnIpcFixDriverConfig", "fnSetData", "fnGetDataSize",
                      "fnGetData", "fnDeleteData"),
    [](const ::testing::TestParamInfo<const char*>& test) { return std::string(test.param); });

TEST_F(IpcDrvLoaderTest, LoadedLibraryIsReleasedWithoutUnloadingTheDriver) {
    const NProbeReport report = m_probe.Run({"loader"});
    ASSERT_EQ(report.nExitCode, 0);
    EXPECT_THAT(report.mapped, ElementsAre(1, 0));
    EXPECT_THAT(report.calls, IsEmpty());
    EXPECT_THAT(report.logs, IsEmpty());
}

// Any non-zero result of the first write is returned unchanged, and nothing
// else is called or logged.
class IpcDrvLoaderFirstWriteTest : public IpcDrvLoaderTest,
                                   public ::testing::WithParamInterface<int32_t> {};

TEST_P(IpcDrvLoaderFirstWriteTest, SuccessCallsNothingElse) {
    const NProbeReport report = WriteOnce({Script("fnSetData", std::to_string(GetParam()))});
    EXPECT_THAT(report.results, ElementsAre(GetParam()));
    EXPECT_THAT(report.calls, ElementsAre(SetDataCall(kSlot, "616263")));
    EXPECT_THAT(report.logs, IsEmpty());
    EXPECT_THAT(report.mapped, ElementsAre(1, 0));
}

INSTANTIATE_TEST_SUITE_P(Results, IpcDrvLoaderFirstWriteTest, ::testing::Values(1, 7, -1));

TEST_F(IpcDrvLoaderTest, DriverLoadedAtOnceGivesTheSecondWritesResult) {
    const NProbeReport report = WriteOnce({Script("fnSetData", "0,5")});
    EXPECT_THAT(report.results, ElementsAre(5));
    EXPECT_THAT(report.calls, ElementsAre(SetDataCall(kSlot, "616263"), "fnLoadIpcDriver",
                                          SetDataCall(kSlot, "616263")));
    EXPECT_THAT(report.logs, IsEmpty());
}

TEST_F(IpcDrvLoaderTest, DriverLoadedAfterRepairGivesTheSecondWritesResult) {
    const NProbeReport report =
        WriteOnce({Script("fnSetData", "0,9"), Script("fnLoadIpcDriver", "0,1")});
    EXPECT_THAT(report.results, ElementsAre(9));
    EXPECT_THAT(report.calls,
                ElementsAre(SetDataCall(kSlot, "616263"), "fnLoadIpcDriver", "fnIpcFixDriverConfig",
                            "fnLoadIpcDriver", SetDataCall(kSlot, "616263")));
    EXPECT_THAT(report.logs, ElementsAre(kLoadDriver1));
}

TEST_F(IpcDrvLoaderTest, DriverFailingTwiceMakesNoSecondWrite) {
    const NProbeReport report = WriteOnce({Script("fnSetData", "0"), Script("fnLoadIpcDriver", "0"),
                                           Script("fnIpcFixDriverConfig", "1")});
    EXPECT_THAT(report.results, ElementsAre(0));
    EXPECT_THAT(report.calls, ElementsAre(SetDataCall(kSlot, "616263"), "fnLoadIpcDriver",
                                          "fnIpcFixDriverConfig", "fnLoadIpcDriver"));
    EXPECT_THAT(report.logs,
                ElementsAre(kLoadDriver1, kLoadDriver2, WriteError("id: 0x30000259, size: 3")));
}

// A failed repair is worth a line for whoever debugs, with the library's
// reason when it tells one.
TEST_F(IpcDrvLoaderTest, FailedRepairIsLoggedWithTheLibrarysReason) {
    const NProbeReport silent =
        WriteOnce({Script("fnSetData", "0,1"), Script("fnLoadIpcDriver", "0,1"),
                   Script("fnIpcFixDriverConfig", "0")});
    EXPECT_THAT(silent.results, ElementsAre(1));
    EXPECT_THAT(silent.logs, ElementsAre(kLoadDriver1, kFixFailed));

    const NProbeReport told =
        WriteOnce({Script("fnSetData", "0,1"), Script("fnLoadIpcDriver", "0,1"),
                   Script("fnIpcFixDriverConfig", "0"), "Q6_IPC_DOUBLE_LAST_ERROR=no room left"});
    EXPECT_THAT(told.logs, ElementsAre(kLoadDriver1, std::string(kFixFailed) + ": no room left"));
}

TEST_F(IpcDrvLoaderTest, RetriedWriteFailingIsLogged) {
    const NProbeReport report = WriteOnce({Script("fnSetData", "0")});
    EXPECT_THAT(report.results, ElementsAre(0));
    EXPECT_THAT(report.calls, ElementsAre(SetDataCall(kSlot, "616263"), "fnLoadIpcDriver",
                                          SetDataCall(kSlot, "616263")));
    EXPECT_THAT(report.logs, ElementsAre(WriteError("id: 0x30000259, size: 3")));
}

TEST_F(IpcDrvLoaderTest, EachWriteRecoversOnItsOwn) {
    const NProbeReport report = m_probe.Run({"loader", SlotArgument(kMiniSlot), "00", "0x1", ""},
                                            {Script("fnSetData", "0,0,0,4")});
    EXPECT_THAT(report.results, ElementsAre(0, 4));
    EXPECT_THAT(report.calls, ElementsAre(SetDataCall(kMiniSlot, "00"), "fnLoadIpcDriver",
                                          SetDataCall(kMiniSlot, "00"), SetDataCall(1, ""),
                                          "fnLoadIpcDriver", SetDataCall(1, "")));
    EXPECT_THAT(report.logs, ElementsAre(WriteError("id: 0x40000259, size: 1")));
}

TEST_F(IpcDrvLoaderTest, DriverCallsPassTheLibrarysResults) {
    const NProbeReport report = m_probe.Run(
        {"driver"}, {Script("fnLoadIpcDriver", "4"), Script("fnIpcFixDriverConfig", "3")});
    EXPECT_THAT(report.results, ElementsAre(4, 3, 1));
    EXPECT_THAT(report.calls,
                ElementsAre("fnLoadIpcDriver", "fnIpcFixDriverConfig", "fnLoadIpcDriver"));
    EXPECT_THAT(report.logs, IsEmpty());
}

// Path of the library: folder + "/qxipcdll.dll" (13 units), 255 units at most.
TEST(IpcDrvLoaderPathTest, LongestFolderThatFitsIsUsed) {
    NProbeFolder probe(242);
    probe.AddLibrary("full");
    ASSERT_EQ(probe.Folder().native().size(), 242u);
    const NProbeReport report = probe.Run({"loader", SlotArgument(kSlot), "61"});
    EXPECT_THAT(report.mapped, ElementsAre(1, 0));
    EXPECT_THAT(report.results, ElementsAre(1));
    EXPECT_THAT(report.logs, IsEmpty());
}

TEST(IpcDrvLoaderPathTest, FolderOneUnitLongerIsRefusedNotCut) {
    NProbeFolder probe(243);
    probe.AddLibrary("full");
    // What a path cut to 255 units would name.
    probe.AddLibrary("full", "qxipcdll.dl");
    const NProbeReport report = probe.Run({"loader", SlotArgument(kSlot), "61"});
    EXPECT_THAT(report.mapped, ElementsAre(0, 0));
    EXPECT_THAT(report.results, ElementsAre(0));
    EXPECT_THAT(report.calls, IsEmpty());
    EXPECT_THAT(report.logs, ElementsAre("[ERROR] NIpcDrvLoader::LoadNwLib path too long. (" +
                                             probe.Folder().native() + "/qxipcdll.dll)",
                                         kNotLoaded));
}

TEST(IpcDrvLoaderPathTest, FolderBeyondTheModulePathBufferIsRefused) {
    NProbeFolder probe(NIpcDrvLoader::kModulePathUnits);
    probe.AddLibrary("full");
    const NProbeReport report = probe.Run({"loader", SlotArgument(kSlot), "61"});
    EXPECT_THAT(report.mapped, ElementsAre(0, 0));
    EXPECT_THAT(report.results, ElementsAre(0));
    EXPECT_THAT(report.logs,
                ElementsAre("[ERROR] NIpcDrvLoader::LoadNwLib module folder error.", kNotLoaded));
}

}  // namespace
