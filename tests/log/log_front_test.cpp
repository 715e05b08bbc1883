#include "log/log_front.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <log4cpp/Category.hh>
#include <log4cpp/PatternLayout.hh>
#include <log4cpp/StringQueueAppender.hh>
#include <string>

#include "tests/support/windows_build.h"

namespace {

// Makes the front end ready with a category whose lines the test reads.
class LogFrontTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::strcpy(g_szLogName, "log_front_test");
        auto& category = log4cpp::Category::getInstance(g_szLogName);
        category.removeAllAppenders();
        m_pAppender = new log4cpp::StringQueueAppender("queue");
        auto* layout = new log4cpp::PatternLayout();
        layout->setConversionPattern("[%p] %c %m%n");
        m_pAppender->setLayout(layout);
        category.addAppender(m_pAppender);  // the category owns it
        category.setPriority(log4cpp::Priority::INFO);
    }
    void TearDown() override {
        log4cpp::Category::getInstance(g_szLogName).removeAllAppenders();
        g_pwszLogBuf.reset();
    }

    void MakeReady() { g_pwszLogBuf.reset(new char16_t[kLogBufferUnits]); }

    std::string TakeLines() {
        std::string lines;
        for (; !m_pAppender->getQueue().empty(); m_pAppender->getQueue().pop()) {
            lines += m_pAppender->getQueue().front();
        }
        return lines;
    }

    log4cpp::StringQueueAppender* m_pAppender = nullptr;
};

TEST_F(LogFrontTest, SilentUntilSetUpHasCompleted) {
    EXPECT_FALSE(IsLogReady());
    WriteLog(0, u"before set-up %d", 1);
    WriteLogText(0, "before set-up");
    EXPECT_EQ(TakeLines(), "");
}

TEST_F(LogFrontTest, LevelsMapToPrioritiesAndInfoDropsDebug) {
    MakeReady();
    const std::string expected[] = {
        "[FATAL] log_front_test level 0\n", "[ALERT] log_front_test level 1\n",
        "[CRIT] log_front_test level 2\n",  "[ERROR] log_front_test level 3\n",
        "[WARN] log_front_test level 4\n",  "[NOTICE] log_front_test level 5\n",
        "[INFO] log_front_test level 6\n",  ""};
    for (int level = 0; level <= 7; ++level) {
        WriteLog(level, u"level %d", level);
        EXPECT_EQ(TakeLines(), expected[level]) << level;
    }
}

TEST_F(LogFrontTest, LevelsOutsideTheTableLogNothing) {
    MakeReady();
    log4cpp::Category::getInstance(g_szLogName).setPriority(log4cpp::Priority::DEBUG);
    WriteLog(7, u"debug");
    EXPECT_EQ(TakeLines(), "[DEBUG] log_front_test debug\n");
    for (const int level : {8, -1, 100}) {
        WriteLog(level, u"out of range");
        WriteLogText(level, "out of range");
    }
    EXPECT_EQ(TakeLines(), "");
}

TEST_F(LogFrontTest, ArgumentTextIsWrittenUnchanged) {
    Q6_LINUX_ONLY("the log is in the ANSI code page, UTF-8 only on Linux");
    MakeReady();
    WriteLog(6, u"path %s", u"C:/%s/%d/100%");
    EXPECT_EQ(TakeLines(), "[INFO] log_front_test path C:/%s/%d/100%\n");
    WriteLog(6, u"%s", u"");
    EXPECT_EQ(TakeLines(), "[INFO] log_front_test \n");
    WriteLog(6, u"%s", u"한국 \xD800!");
    EXPECT_EQ(TakeLines(), "[INFO] log_front_test 한국 \xEF\xBF\xBD!\n");
}

TEST_F(LogFrontTest, OverlongMessageIsCutToTheBuffer) {
    MakeReady();
    // The numbers from 0 on, so that every cut of the text reads differently.
    std::string huge;
    for (size_t number = 0; huge.size() < kLogBufferUnits + 500; ++number) {
        huge += std::to_string(number) + " ";
    }
    WriteLog(6, u"%s", std::u16string(huge.begin(), huge.end()).c_str());
    const std::string expected =
        "[INFO] log_front_test " + huge.substr(0, kLogBufferUnits - 1) + "\n";
    const std::string lines = TakeLines();
    // Where the line first differs, rather than both lines of 100 kB.
    const size_t same = static_cast<size_t>(
        std::mismatch(lines.begin(), lines.end(), expected.begin(), expected.end()).first -
        lines.begin());
    EXPECT_EQ(same, expected.size()) << lines.substr(same, 40);
    EXPECT_EQ(lines.size(), expected.size());
}

}  // namespace
