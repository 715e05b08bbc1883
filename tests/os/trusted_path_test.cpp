// Trusted paths on Linux: what root makes, removes, reads, loads and appends
// to, and what it refuses because another account (nobody) could change the
// way there.

#include "os/linux/trusted_path.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "os/append_file.h"
#include "os/dynamic_library.h"
#include "os/file_reader.h"
#include "os/file_system.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

constexpr uid_t kOther = 65534;
constexpr char kRootsText[] = "root's own\n";

// A folder under parent that every account may write, sticky as /tmp is.
fs::path MakeShared(const fs::path& parent) {
    fs::path shared = parent / "tmp";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    return shared;
}

void GiveToOther(const fs::path& path) {
    ASSERT_EQ(::lchown(path.c_str(), kOther, kOther), 0) << path;
}

class TrustedPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "other accounts' files are made with chown, which needs root";
        }
        fs::permissions(Root(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    }

    const fs::path& Root() const { return m_folder.Path(); }

    NTempFolder m_folder;
};

struct NWalkCase {
    const char* pszWhat;
    // Lays out the case under the root; the path to resolve.
    std::function<fs::path(const fs::path&)> layout;
    NOs::NError expected;  // no error: the path resolves
};

TEST_F(TrustedPathTest, APathIsTrustedOnlyWhenNoOtherAccountCanChangeAnyFolderOnTheWay) {
    const NWalkCase cases[] = {
        {"root's folders",
         [](const fs::path& root) {
             fs::create_directories(root / "a" / "b");
             return root / "a" / "b";
         },
         {}},
        {"a missing last entry", [](const fs::path& root) { return root / "missing"; }, {}},
        {"a missing folder on the way", [](const fs::path& root) { return root / "missing" / "x"; },
         std::errc::no_such_file_or_directory},
        {"a folder every account may write, not sticky",
         [](const fs::path& root) {
             fs::create_directory(root / "open");
             fs::permissions(root / "open", fs::perms::all);
             return root / "open" / "x";
         },
         NOs::NObjectError::UnsafeFolder},
        {"a folder of another account",
         [](const fs::path& root) {
             fs::create_directory(root / "others");
             GiveToOther(root / "others");
             return root / "others" / "x";
         },
         NOs::NObjectError::UnsafeFolder},
        {"a sticky shared folder, root's entry",
         [](const fs::path& root) {
             const fs::path shared = MakeShared(root);
             fs::create_directory(shared / "roots");
             return shared / "roots" / "x";
         },
         {}},
        {"a sticky shared folder, another account's entry",
         [](const fs::path& root) {
             const fs::path shared = MakeShared(root);
             fs::create_directory(shared / "others");
             GiveToOther(shared / "others");
             return shared / "others";
         },
         NOs::NObjectError::UnsafeFolder},
        {"another account's link in a sticky shared folder",
         [](const fs::path& root) {
             const fs::path shared = MakeShared(root);
             fs::create_directory_symlink(root, shared / "link");
             GiveToOther(shared / "link");
             return shared / "link" / "x";
         },
         NOs::NObjectError::UnsafeFolder},
        {"a link loop",
         [](const fs::path& root) {
             fs::create_symlink("loop", root / "loop");
             return root / "loop" / "x";
         },
         std::errc::too_many_symbolic_link_levels},
    };
    for (const NWalkCase& test : cases) {
        SCOPED_TRACE(test.pszWhat);
        const NTempFolder scratch;
        fs::permissions(scratch.Path(), fs::perms::owner_all | fs::perms::others_exec);
        const fs::path path = test.layout(scratch.Path());
        const NOs::NResult<std::string> resolved =
            NOs::ResolveTrustedPath(path.string(), NOs::NLastLink::Follow);
        EXPECT_EQ(resolved.Error(), test.expected) << resolved.Error().Message();
        if (resolved) {
            EXPECT_EQ(resolved.Value(), path.string());
        }
    }
}

TEST_F(TrustedPathTest, LinksInTrustedFoldersAreResolvedOrKeptAtTheEnd) {
    fs::create_directories(Root() / "real" / "inner");
    fs::create_directory_symlink("real", Root() / "link");
    const std::string viaLink = (Root() / "link" / "inner" / ".." / "." / "inner").string();
    EXPECT_EQ(NOs::ResolveTrustedPath(viaLink, NOs::NLastLink::Follow).Value(),
              (Root() / "real" / "inner").string());
    const std::string link = (Root() / "link").string();
    EXPECT_EQ(NOs::ResolveTrustedPath(link, NOs::NLastLink::Keep).Value(), link);
}

TEST_F(TrustedPathTest, SettingsAreReadOnlyFromPlainFilesNoOtherAccountCanChange) {
    const fs::path good = Root() / "good";
    NFileText::Write(good, kRootsText);
    EXPECT_EQ(NOs::ReadTrustedFile(good.string(), 1024).Value(), kRootsText);

    const fs::path writable = Root() / "writable";
    NFileText::Write(writable, kRootsText);
    fs::permissions(writable, fs::perms::all);
    const fs::path others = Root() / "others";
    NFileText::Write(others, kRootsText);
    GiveToOther(others);
    const fs::path link = Root() / "link";
    fs::create_symlink(good, link);
    const fs::path fifo = Root() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::pair<fs::path, NOs::NError> refused[] = {
        {writable, NOs::NObjectError::Untrusted},
        {others, NOs::NObjectError::Untrusted},
        {link, std::errc::too_many_symbolic_link_levels},
        {fifo, NOs::NObjectError::NotRegular},  // and no wait for a writer
    };
    for (const auto& [path, error] : refused) {
        EXPECT_EQ(NOs::ReadTrustedFile(path.string(), 1024).Error(), error) << path;
    }
}

// Root neither removes its own file nor makes a folder through another
// account's link in a middle folder; in a trusted folder it does both.
TEST_F(TrustedPathTest, FoldersAreMadeAndFilesRemovedOnlyThroughTrustedFolders) {
    const fs::path victim = Root() / "victim";
    fs::create_directory(victim);
    NFileText::Write(victim / "logs", kRootsText);
    const fs::path evil = Root() / "evil";
    fs::create_directory(evil);
    fs::create_directory_symlink(victim, evil / "sub");
    GiveToOther(evil / "sub");
    GiveToOther(evil);

    EXPECT_EQ(NOs::RemoveRegularFile((evil / "sub" / "logs").string()).Error(),
              NOs::NObjectError::UnsafeFolder);
    EXPECT_EQ(NOs::CreateFolder((evil / "sub" / "new").string()).Error(),
              NOs::NObjectError::UnsafeFolder);
    EXPECT_EQ(NFileText::Read(victim / "logs"), kRootsText);
    EXPECT_FALSE(fs::exists(victim / "new"));

    EXPECT_TRUE(NOs::RemoveRegularFile((victim / "logs").string()));
    EXPECT_TRUE(NOs::CreateFolder((victim / "new").string()));
    EXPECT_FALSE(fs::exists(victim / "logs"));
    EXPECT_TRUE(fs::is_directory(victim / "new"));
}

// A copy of the real library, cut short or not a library at all, is refused
// before it is mapped; a whole one is loaded unless others can change it.
// Why the library at path cannot be loaded; empty when it can.
std::string LoadFailure(const fs::path& path) {
    const NOs::NLibraryStatus opened = NOs::NDynamicLibrary().Open(path.string());
    return opened ? std::string() : opened.Error().Message();
}

TEST_F(TrustedPathTest, OnlyAWholeSharedObjectThatOnlyTrustedAccountsCanChangeIsLoaded) {
    const fs::path whole = Root() / "whole.dll";
    fs::copy_file(Q6_IPC_LIBRARY, whole);
    const uintmax_t size = fs::file_size(whole);
    for (const uintmax_t kept :
         {uintmax_t{0}, uintmax_t{64}, uintmax_t{4096}, uintmax_t{65536}, size - 1}) {
        SCOPED_TRACE(kept);
        const fs::path cut = Root() / ("cut" + std::to_string(kept) + ".dll");
        fs::copy_file(whole, cut);
        fs::resize_file(cut, kept);
        EXPECT_THAT(LoadFailure(cut), HasSubstr("not a whole shared object"));
    }
    const fs::path text = Root() / "text.dll";
    NFileText::Write(text, std::string(8192, 'x'));
    EXPECT_THAT(LoadFailure(text), HasSubstr("not a whole shared object"));

    EXPECT_EQ(LoadFailure(whole), "");
    fs::permissions(whole, fs::perms::all);
    EXPECT_THAT(LoadFailure(whole), HasSubstr("an account other than root"));
}

// An open descriptor closed when the test is done with it.
struct NOpenFile {
    explicit NOpenFile(NOs::NResult<int> opened) : nFd(opened ? opened.Value() : -1) {
        error = opened.Error();
    }
    ~NOpenFile() {
        if (nFd >= 0) {
            ::close(nFd);
        }
    }
    NOpenFile(const NOpenFile&) = delete;
    NOpenFile& operator=(const NOpenFile&) = delete;

    int nFd;
    NOs::NError error;
};

TEST_F(TrustedPathTest, ALogFileIsAPlainFileOfATrustedAccountUnderItsName) {
    const fs::path log = Root() / "q6tsa.log";
    const NOpenFile opened(NOs::OpenAppendFile(log.string(), 0644));
    ASSERT_GE(opened.nFd, 0) << opened.error.Message();
    EXPECT_TRUE(NOs::IsOpenFileAt(opened.nFd, log.string()));
    fs::rename(log, Root() / "rolled.log");
    NFileText::Write(log, "");
    EXPECT_FALSE(NOs::IsOpenFileAt(opened.nFd, log.string()));  // replaced
    fs::remove(log);
    EXPECT_FALSE(NOs::IsOpenFileAt(opened.nFd, log.string()));  // removed
    EXPECT_FALSE(NOs::IsOpenFileAt(-1, log.string()));

    const fs::path victim = Root() / "victim";
    NFileText::Write(victim, kRootsText);
    fs::create_symlink(victim, Root() / "link.log");
    const fs::path fifo = Root() / "fifo.log";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    const fs::path others = Root() / "others.log";
    NFileText::Write(others, "");
    GiveToOther(others);
    const std::pair<fs::path, NOs::NError> refused[] = {
        {Root() / "link.log", std::errc::too_many_symbolic_link_levels},
        {fifo, std::errc::no_such_device_or_address},  // no reader: refused at once
        {others, NOs::NObjectError::Untrusted},
    };
    for (const auto& [path, error] : refused) {
        const NOpenFile refusedFile(NOs::OpenAppendFile(path.string(), 0644));
        EXPECT_EQ(refusedFile.nFd, -1) << path;
        EXPECT_EQ(refusedFile.error, error) << path << ": " << refusedFile.error.Message();
    }
    EXPECT_EQ(NFileText::Read(victim), kRootsText);
}

}  // namespace
