#include "os/dynamic_library.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "tests/support/process_maps.h"
#include "tests/support/temp_folder.h"
#include "tests/support/windows_build.h"

namespace {

using ::testing::HasSubstr;

using FnSetData = int32_t (*)(uint32_t, const void*, uint32_t);

std::string DoublePath(const char* variant) {
    return std::string(Q6_IPC_DOUBLES_DIR) + "/" + variant + "/qxipcdll.dll";
}

const std::string g_strFull = DoublePath("full");
const std::string g_strOther = DoublePath("no_fnDeleteData");

TEST(DynamicLibraryTest, OpenedLibraryGivesCallableFunctions) {
    ::setenv("Q6_IPC_DOUBLE_fnSetData", "7", 1);
    NOs::NDynamicLibrary library;
    const NOs::NLibraryStatus opened = library.Open(g_strFull);
    ASSERT_TRUE(opened) << opened.Error().Message();
    EXPECT_TRUE(library.IsOpen());
    EXPECT_TRUE(IsFileMapped(g_strFull));
    const NOs::NTextResult<FnSetData> setData = library.FindFunction<FnSetData>("fnSetData");
    ASSERT_TRUE(setData) << setData.Error().Message();
    EXPECT_EQ(setData.Value()(1, "", 0), 7);
    ::unsetenv("Q6_IPC_DOUBLE_fnSetData");
}

TEST(DynamicLibraryTest, AMissingSymbolIsAFailureThatNamesIt) {
    NOs::NDynamicLibrary library;
    ASSERT_TRUE(library.Open(g_strOther));
    const NOs::NTextResult<void*> present = library.FindSymbol("fnGetData");
    ASSERT_TRUE(present);
    EXPECT_NE(present.Value(), nullptr);
    const NOs::NTextResult<void*> missing = library.FindSymbol("fnDeleteData");
    ASSERT_FALSE(missing);
    EXPECT_THAT(missing.Error().Message(), HasSubstr("fnDeleteData"));
}

TEST(DynamicLibraryTest, EmptyOwnerFindsNothing) {
    NOs::NDynamicLibrary library;
    EXPECT_FALSE(library.IsOpen());
    const NOs::NTextResult<void*> symbol = library.FindSymbol("fnSetData");
    ASSERT_FALSE(symbol);
    EXPECT_THAT(symbol.Error().Message(), HasSubstr("fnSetData"));
    library.Close();
    EXPECT_FALSE(library.IsOpen());
}

TEST(DynamicLibraryTest, PathsThatAreNotAbsoluteAreRefused) {
    const std::string relative =
        std::filesystem::relative(g_strFull, std::filesystem::current_path()).native();
    for (const std::string& path : {std::string(), std::string("qxipcdll.dll"), relative}) {
        NOs::NDynamicLibrary library;
        const NOs::NLibraryStatus opened = library.Open(path);
        ASSERT_FALSE(opened) << path;
        EXPECT_FALSE(library.IsOpen());
        EXPECT_THAT(opened.Error().Message(), HasSubstr("not an absolute path")) << path;
    }
}

// Every reference is resolved at load: a library that calls a function that
// nothing defines is refused then, not loaded to end the process at the call.
TEST(DynamicLibraryTest, LibraryWithAnUnresolvedFunctionIsRefused) {
    Q6_LINUX_ONLY("a Windows DLL cannot be linked with an unresolved function");
    NOs::NDynamicLibrary library;
    const NOs::NLibraryStatus opened = library.Open(DoublePath("unresolved"));
    ASSERT_FALSE(opened);
    EXPECT_FALSE(library.IsOpen());
    EXPECT_THAT(opened.Error().Message(), HasSubstr("q6_double_undefined_function"));
}

TEST(DynamicLibraryTest, FilesThatCannotBeLoadedGiveTheReason) {
    NTempFolder folder;
    const std::string text = (folder.Path() / "text.so").native();
    std::ofstream(text) << "not a shared object\n";
    for (const std::string& path : {(folder.Path() / "missing.so").native(), text}) {
        NOs::NDynamicLibrary library;
        const NOs::NLibraryStatus opened = library.Open(path);
        ASSERT_FALSE(opened);
        EXPECT_FALSE(library.IsOpen());
        EXPECT_THAT(opened.Error().Message(), HasSubstr(path));
    }
}

TEST(DynamicLibraryTest, DestructionAndCloseReleaseTheLibrary) {
    {
        NOs::NDynamicLibrary library;
        ASSERT_TRUE(library.Open(g_strFull));
        ASSERT_TRUE(IsFileMapped(g_strFull));
    }
    EXPECT_FALSE(IsFileMapped(g_strFull));
    NOs::NDynamicLibrary library;
    ASSERT_TRUE(library.Open(g_strFull));
    library.Close();
    EXPECT_FALSE(library.IsOpen());
    EXPECT_FALSE(IsFileMapped(g_strFull));
}

TEST(DynamicLibraryTest, OpeningAgainReleasesTheFirstLibrary) {
    NOs::NDynamicLibrary library;
    ASSERT_TRUE(library.Open(g_strFull));
    ASSERT_TRUE(library.Open(g_strOther));
    EXPECT_FALSE(IsFileMapped(g_strFull));
    EXPECT_TRUE(IsFileMapped(g_strOther));
    EXPECT_FALSE(library.Open(g_strFull + ".missing"));
    EXPECT_FALSE(IsFileMapped(g_strOther));
}

TEST(DynamicLibraryTest, MovingHandsOverOwnership) {
    NOs::NDynamicLibrary first;
    ASSERT_TRUE(first.Open(g_strFull));
    NOs::NDynamicLibrary second(std::move(first));
    EXPECT_FALSE(first.IsOpen());  // NOLINT: a moved-from owner is empty
    EXPECT_TRUE(second.IsOpen());
    EXPECT_TRUE(second.FindSymbol("fnSetData"));

    NOs::NDynamicLibrary third;
    ASSERT_TRUE(third.Open(g_strOther));
    third = std::move(second);
    EXPECT_FALSE(IsFileMapped(g_strOther));
    EXPECT_TRUE(IsFileMapped(g_strFull));
    EXPECT_TRUE(third.FindSymbol("fnSetData"));
    first = std::move(third);
    EXPECT_TRUE(first.IsOpen());
    first.Close();
    EXPECT_FALSE(IsFileMapped(g_strFull));
}

}  // namespace
