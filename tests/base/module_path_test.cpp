#include "base/module_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/text_convert.h"

namespace {

namespace fs = std::filesystem;

class ModulePathTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = fs::temp_directory_path() / ("q6_module_path_" + std::to_string(::getpid()));
        fs::remove_all(m_root);
        fs::create_directories(m_root);
    }
    void TearDown() override { fs::remove_all(m_root); }

    std::u16string Path(const std::string& relative) const {
        return NUtf::ToUtf16((m_root / relative).string());
    }
    void WriteFile(const std::string& relative) const { std::ofstream(m_root / relative) << "x"; }

    fs::path m_root;
};

TEST_F(ModulePathTest, ModuleFolderIsExecutableFolderWithoutSeparator) {
    const std::string expected = fs::read_symlink("/proc/self/exe").parent_path().string();
    char16_t folder[1024] = {};
    ASSERT_TRUE(GetModuleFolder(nullptr, folder, 1024));
    EXPECT_EQ(NUtf::ToUtf8(folder), expected);
    EXPECT_EQ(GetModuleFileName(nullptr), NUtf::ToUtf16(fs::read_symlink("/proc/self/exe").string()));
}

TEST_F(ModulePathTest, ModuleFolderRefusesTooSmallCapacityAndLeavesBufferAlone) {
    char16_t folder[1024] = {};
    ASSERT_TRUE(GetModuleFolder(nullptr, folder, 1024));
    const auto length = static_cast<uint32_t>(std::u16string(folder).size());

    char16_t small[1024];
    std::fill(std::begin(small), std::end(small), u'#');
    EXPECT_FALSE(GetModuleFolder(nullptr, small, length));
    EXPECT_EQ(small[0], u'#');
    EXPECT_TRUE(GetModuleFolder(nullptr, small, length + 1));
    EXPECT_EQ(small[length], u'\0');
}

TEST_F(ModulePathTest, ModuleFolderOfALibraryAddressNamesThatLibrary) {
    char16_t folder[1024] = {};
    ASSERT_TRUE(GetModuleFolder(reinterpret_cast<const void*>(&::stat), folder, 1024));
    EXPECT_NE(NUtf::ToUtf8(folder).find("lib"), std::string::npos);
}

TEST_F(ModulePathTest, PathKindTellsMissingFileAndFolder) {
    WriteFile("file");
    fs::create_directory(m_root / "folder");
    EXPECT_EQ(GetPathKind(Path("folder").c_str()), kPathFolder);
    EXPECT_EQ(GetPathKind(Path("file").c_str()), kPathFile);
    EXPECT_EQ(GetPathKind(Path("missing").c_str()), kPathMissing);
    EXPECT_EQ(GetPathKind((Path("folder") + u"/").c_str()), kPathMissing);
    EXPECT_EQ(GetPathKind(u""), kPathMissing);
}

TEST_F(ModulePathTest, MakeFolderKeepsFolderAndReplacesFileInTheWay) {
    fs::create_directory(m_root / "kept");
    WriteFile("kept/inside");
    EXPECT_TRUE(MakeFolder(Path("kept").c_str()));
    EXPECT_TRUE(fs::exists(m_root / "kept/inside"));

    WriteFile("blocked");
    fs::permissions(m_root / "blocked", fs::perms::owner_read);
    EXPECT_TRUE(MakeFolder(Path("blocked").c_str()));
    EXPECT_TRUE(fs::is_directory(m_root / "blocked"));

    EXPECT_FALSE(MakeFolder(Path("no/parent").c_str()));
}

TEST_F(ModulePathTest, MakeFolderPathCreatesEveryMissingLevel) {
    fs::create_directories(m_root / "a/b");
    const std::u16string path = Path("a/b/c/d");
    MakeFolderPath(path.c_str());
    EXPECT_TRUE(fs::is_directory(m_root / "a/b/c/d"));

    WriteFile("a/b/c/d/keep");
    MakeFolderPath(path.c_str());
    EXPECT_TRUE(fs::exists(m_root / "a/b/c/d/keep"));
}

TEST_F(ModulePathTest, MakeFolderPathHandlesNonAsciiNamesAndRefusesOverlongPaths) {
    MakeFolderPath(Path(u8"로그/日志").c_str());
    EXPECT_TRUE(fs::is_directory(m_root / u8"로그/日志"));

    const std::u16string overlong = Path(std::string(1100, 'x'));
    MakeFolderPath(overlong.c_str());
    EXPECT_EQ(std::distance(fs::directory_iterator(m_root), fs::directory_iterator()), 1);
}

}  // namespace
