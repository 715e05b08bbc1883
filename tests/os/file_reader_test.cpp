// Whole files read at once: plain files up to the limit, nothing else.

#include "os/file_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/temp_folder.h"
#include "tests/support/windows_build.h"

namespace {

class FileReaderTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& content) const {
        std::string path = (m_folder.Path() / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    NTempFolder m_folder;
};

TEST_F(FileReaderTest, ReadsAPlainFileWholeUpToItsLimit) {
    const std::string content = std::string("a\0b\n", 4) + std::string(10000, 'x');
    const std::string path = Write("plain", content);
    const NOs::NResult<std::string> exact = NOs::ReadWholeFile(path, content.size());
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact.Value(), content);

    const NOs::NResult<std::string> over = NOs::ReadWholeFile(path, content.size() - 1);
    EXPECT_FALSE(over);
    EXPECT_EQ(over.Error(), NOs::NError(std::errc::file_too_large));

    const NOs::NResult<std::string> empty = NOs::ReadWholeFile(Write("empty", ""), 0);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty.Value(), "");
}

TEST_F(FileReaderTest, RefusesWhatIsNotAPlainFileWithTheReason) {
    const std::string fifo = (m_folder.Path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct NCase {
        std::string strPath;
        NOs::NError error;
    };
    const NCase cases[] = {
        {(m_folder.Path() / "missing").string(), std::errc::no_such_file_or_directory},
        {m_folder.Path().string(), NOs::NObjectError::NotRegular},
        {fifo, NOs::NObjectError::NotRegular},  // and the open does not block
        {"/dev/null", NOs::NObjectError::NotRegular},
    };
    for (const NCase& test : cases) {
        const NOs::NResult<std::string> read = NOs::ReadWholeFile(test.strPath, 1 << 20);
        EXPECT_FALSE(read) << test.strPath;
        EXPECT_EQ(read.Error(), test.error) << test.strPath << ": " << read.Error().Message();
    }
}

TEST_F(FileReaderTest, ReadsAFileThatTellsNoSize) {
    Q6_LINUX_ONLY("/proc belongs to Linux");
    const NOs::NResult<std::string> read = NOs::ReadWholeFile("/proc/self/cmdline", 1 << 20);
    ASSERT_TRUE(read);
    // The first argument, up to its NUL, names this program.
    const std::string program = read.Value().substr(0, read.Value().find('\0'));
    EXPECT_EQ(std::filesystem::path(program).filename(),
              std::filesystem::read_symlink("/proc/self/exe").filename());
}

}  // namespace
