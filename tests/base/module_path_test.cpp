#include "base/module_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/text_convert.h"
#include "tests/support/windows_build.h"

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

    // A path of exactly units code units: the root, then folders of up to 16
    // letters, each letter three bytes in UTF-8.
    std::u16string PathOfUnits(char16_t letter, size_t units) const {
        std::u16string path = NUtf::ToUtf16(m_root.string());
        while (path.size() < units) {
            size_t folder = std::min<size_t>(17, units - path.size());
            if (units - path.size() - folder == 1) {
                --folder;  // leaves room for one more letter and its separator
            }
            path += u'/';
            path.append(folder - 1, letter);
        }
        return path;
    }

    long EntriesOfRoot() const {
        return std::distance(fs::directory_iterator(m_root), fs::directory_iterator());
    }

    fs::path m_root;
};

TEST_F(ModulePathTest, ModuleFolderIsExecutableFolderWithoutSeparator) {
    Q6_LINUX_ONLY("Wine runs the program: /proc/self/exe names the Wine loader");
    const std::string expected = fs::read_symlink("/proc/self/exe").parent_path().string();
    char16_t folder[1024] = {};
    ASSERT_TRUE(GetModuleFolder(nullptr, folder, 1024));
    EXPECT_EQ(NUtf::ToUtf8(folder), expected);
    EXPECT_EQ(GetModuleFileName(nullptr),
              NUtf::ToUtf16(fs::read_symlink("/proc/self/exe").string()));
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
    Q6_LINUX_ONLY("Windows knows no module of a Linux library such as libc");
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
    EXPECT_TRUE(MakeFolder(Path("blocked").c_str()));
    EXPECT_TRUE(fs::is_directory(m_root / "blocked"));

    // A file its owner may not write: Linux lets root remove it, DeleteFileW
    // refuses a read-only file.
    WriteFile("read-only");
    fs::permissions(m_root / "read-only", fs::perms::owner_read);
    EXPECT_EQ(MakeFolder(Path("read-only").c_str()), !kWindowsBuild);
    EXPECT_EQ(fs::is_directory(m_root / "read-only"), !kWindowsBuild);

    EXPECT_FALSE(MakeFolder(Path("no/parent").c_str()));
}

// Only a plain file is deleted where a folder must be: a link (to a plain
// file or to nothing), a FIFO, a socket or a device makes the call fail and
// is left as it was, as is what a link points to.
TEST_F(ModulePathTest, MakeFolderRemovesNothingButAPlainFile) {
    Q6_LINUX_ONLY("links, FIFOs and devices are Linux files");
    WriteFile("target");
    fs::create_symlink(m_root / "target", m_root / "link");
    fs::create_symlink(m_root / "nowhere", m_root / "dangling");
    ASSERT_EQ(::mkfifo((m_root / "fifo").c_str(), 0644), 0);
    for (const char* name : {"link", "dangling", "fifo"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(MakeFolder(Path(name).c_str()));
        EXPECT_FALSE(fs::is_directory(fs::symlink_status(m_root / name)));
        EXPECT_TRUE(fs::exists(fs::symlink_status(m_root / name)));
    }
    EXPECT_TRUE(fs::is_regular_file(m_root / "target"));
    // A device is found where it is: /dev/null, which only root could remove.
    EXPECT_FALSE(MakeFolder(u"/dev/null"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // A link to a folder is the folder.
    fs::create_directory(m_root / "real");
    fs::create_directory_symlink(m_root / "real", m_root / "folder-link");
    EXPECT_TRUE(MakeFolder(Path("folder-link").c_str()));

    MakeFolderPath(Path("fifo/logs").c_str());
    EXPECT_FALSE(fs::exists(m_root / "fifo/logs"));
    EXPECT_TRUE(fs::is_fifo(m_root / "fifo"));
}

// A folder whose name is not UTF-8 is reached by the name the system gave.
TEST_F(ModulePathTest, FolderNamesThatAreNotUtf8RoundTrip) {
    Q6_LINUX_ONLY("Windows names are UTF-16: bytes that are not UTF-8 name no file");
    const std::string latin1 = "caf\xE9";  // not UTF-8
    const std::u16string path = NUtf::PathToUtf16((m_root / latin1).string()) + u"/logs";
    MakeFolderPath(path.c_str());
    EXPECT_TRUE(fs::is_directory(m_root / latin1 / "logs"));
    EXPECT_EQ(GetPathKind(path.c_str()), kPathFolder);
    // Nor does the text that U+FFFD would make of it name that folder.
    EXPECT_FALSE(fs::exists(m_root / "caf\xEF\xBF\xBD"));
    EXPECT_EQ(GetPathKind(u"/tmp/\xD800"), kPathMissing);  // a lone surrogate names no file
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
    Q6_LINUX_ONLY("Windows paths stop at 260 units without the \\\\?\\ prefix");
    MakeFolderPath(Path(u8"로그/日志").c_str());
    EXPECT_TRUE(fs::is_directory(m_root / u8"로그/日志"));

    // The limit counts code units, not bytes: 1023 are made, 1024 are not.
    struct NCase {
        char16_t letter;
        size_t units;
        bool made;
    };
    for (const NCase& test : {NCase{u'日', 1023, true}, NCase{u'월', 1024, false}}) {
        const std::u16string path = PathOfUnits(test.letter, test.units);
        ASSERT_EQ(path.size(), test.units);
        const long entries = EntriesOfRoot();
        MakeFolderPath(path.c_str());
        EXPECT_EQ(GetPathKind(path.c_str()), test.made ? kPathFolder : kPathMissing) << test.units;
        EXPECT_EQ(EntriesOfRoot(), entries + (test.made ? 1 : 0)) << test.units;
    }
}

}  // namespace
