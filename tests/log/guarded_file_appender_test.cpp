// The guarded appender puts its file back, folder included, when the file
// was removed or replaced, and never writes through an entry put in its place
// that is not a plain file.

#include "log/guarded_file_appender.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <log4cpp/LoggingEvent.hh>
#include <log4cpp/PatternLayout.hh>
#include <log4cpp/Priority.hh>
#include <log4cpp/RollingFileAppender.hh>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "base/text_convert.h"
#include "os/append_file.h"
#include "tests/support/file_text.h"
#include "tests/support/forked_child.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

using NGuardedRollingAppender = NGuardedFileAppender<log4cpp::RollingFileAppender>;

class GuardedFileAppenderTest : public ::testing::Test {
protected:
    fs::path Folder() const { return m_temp.Path() / "logs" / "q6"; }
    fs::path LogFile() const { return Folder() / "q6tsa.log"; }

    // An appender on LogFile(), prepared as the log set-up prepares it.
    std::unique_ptr<NGuardedRollingAppender> MakeAppender() const {
        fs::create_directories(Folder());
        if (!NOs::PrepareAppendFile(LogFile().string(), 0644)) {
            return nullptr;
        }
        auto appender = std::make_unique<NGuardedRollingAppender>(
            NUtf::PathToUtf16(Folder().string()), "guarded", LogFile().string(), 1048576, 3, true,
            0644);
        auto* layout = new log4cpp::PatternLayout();
        layout->setConversionPattern("%m%n");
        appender->setLayout(layout);  // the appender owns it
        return appender;
    }

    static void Append(log4cpp::Appender& appender, const std::string& message) {
        appender.doAppend(log4cpp::LoggingEvent("q6tsa", message, "", log4cpp::Priority::INFO));
    }

    NTempFolder m_temp;
};

struct NGoneCase {
    const char* what;
    std::function<void(const fs::path& file)> remove;
    const char* leftBefore;  // what the file holds before the second line
};

TEST_F(GuardedFileAppenderTest, ALineAfterTheFileOrItsFolderWentGoesIntoTheFileMadeAgain) {
    const fs::path logs = m_temp.Path() / "logs";
    const NGoneCase cases[] = {
        {"the folder and its parent removed", [&logs](const fs::path&) { fs::remove_all(logs); },
         ""},
        {"the file removed", [](const fs::path& file) { fs::remove(file); }, ""},
        {"the file renamed away",
         [](const fs::path& file) { fs::rename(file, file.string() + ".old"); }, ""},
        {"another file renamed onto it",
         [](const fs::path& file) {
             std::ofstream(file.string() + ".new") << "other\n";
             fs::rename(file.string() + ".new", file);
         },
         "other\n"},
    };
    for (const NGoneCase& entry : cases) {
        SCOPED_TRACE(entry.what);
        fs::remove_all(logs);
        const auto appender = MakeAppender();
        ASSERT_NE(appender, nullptr);
        Append(*appender, "first");
        ASSERT_EQ(NFileText::Read(LogFile()), "first\n");

        entry.remove(LogFile());
        Append(*appender, "second");
        EXPECT_TRUE(fs::is_directory(Folder()));
        EXPECT_EQ(NFileText::Read(LogFile()), std::string(entry.leftBefore) + "second\n");
        Append(*appender, "third");
        EXPECT_EQ(NFileText::Read(LogFile()), std::string(entry.leftBefore) + "second\nthird\n");
    }
}

struct NForeignEntryCase {
    const char* what;
    std::function<bool(const fs::path& file, const fs::path& target)> put;
};

// A link or a FIFO in the file's place: the line goes nowhere, the link's
// target stays as it was, the call does not wait for a reader, and once the
// entry is gone the next line makes the file again.
TEST_F(GuardedFileAppenderTest, AnEntryPutInPlaceOfTheFileIsNeitherFollowedNorWaitedFor) {
    const fs::path target = m_temp.Path() / "root-file";
    const NForeignEntryCase cases[] = {
        {"link to a file of root",
         [](const fs::path& file, const fs::path& linked) {
             return ::symlink(linked.c_str(), file.c_str()) == 0;
         }},
        {"FIFO",
         [](const fs::path& file, const fs::path&) { return ::mkfifo(file.c_str(), 0644) == 0; }},
    };
    for (const NForeignEntryCase& entry : cases) {
        SCOPED_TRACE(entry.what);
        std::ofstream(target, std::ios::trunc) << "root's own\n";
        const auto appender = MakeAppender();
        ASSERT_NE(appender, nullptr);
        Append(*appender, "first");
        ASSERT_TRUE(fs::remove(LogFile()));
        ASSERT_TRUE(entry.put(LogFile(), target));

        // In a child, so that a call that waits cannot hold up the test.
        NForkedChild appending([&appender] {
            Append(*appender, "second");
            return 0;
        });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (appending.IsRunning() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_FALSE(appending.IsRunning()) << "the line waits for a reader";
        appending.Kill();
        EXPECT_EQ(NFileText::Read(target), "root's own\n");
        EXPECT_FALSE(fs::is_regular_file(fs::symlink_status(LogFile())));

        fs::remove(LogFile());
        Append(*appender, "third");
        EXPECT_EQ(NFileText::Read(LogFile()), "third\n");
    }
}

}  // namespace
