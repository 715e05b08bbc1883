#include "log/log_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

struct NProfileCase {
    const char* value;  // null: unset
    const char* folder;
};

TEST(LogPathsTest, DefaultFolderFollowsAllUsersProfile) {
    constexpr char kName[] = "ALLUSERSPROFILE";
    const char* previous = std::getenv(kName);
    const std::optional<std::string> saved =
        previous ? std::optional<std::string>(previous) : std::nullopt;
    const NProfileCase cases[] = {{nullptr, "/var/log/Veltrix/Tessaro6"},
                                  {"", "/var/log/Veltrix/Tessaro6"},
                                  {"/srv/all users", "/srv/all users/Veltrix/Tessaro6"}};
    for (const NProfileCase& entry : cases) {
        entry.value ? ::setenv(kName, entry.value, 1) : ::unsetenv(kName);
        EXPECT_EQ(NLogPaths::GetDefaultFolder(), entry.folder)
            << (entry.value ? entry.value : "unset");
    }
    saved ? ::setenv(kName, saved->c_str(), 1) : ::unsetenv(kName);
}

TEST(LogPathsTest, LogFileNames) {
    EXPECT_EQ(NLogPaths::MakeLogFileName(u"/var/log", u"q6tsa", false), u"/var/log/q6tsa.log");
    EXPECT_EQ(NLogPaths::MakeLogFileName(u"/var/log", u"q6tsa", true), u"/var/log/Mini_q6tsa.log");
    EXPECT_EQ(NLogPaths::JoinPath(u"/opt/q6", kPropertiesFileName), u"/opt/q6/q6agent.properties");
}

struct NFitCase {
    size_t folderLength;
    bool mini;
    bool fits;
};

// A name and its terminator fit into 1024 code units, or there is no name.
TEST(LogPathsTest, NamesBeyond1023UnitsAreRefused) {
    const NFitCase cases[] = {
        {1013, false, true}, {1014, false, false}, {1008, true, true}, {1009, true, false}};
    for (const NFitCase& entry : cases) {
        const std::u16string folder(entry.folderLength, u'f');
        const std::optional<std::u16string> name =
            NLogPaths::MakeLogFileName(folder.c_str(), u"q6tsa", entry.mini);
        EXPECT_EQ(name.has_value(), entry.fits) << entry.folderLength << " " << entry.mini;
        if (name) {
            EXPECT_EQ(name->size(), kLogPathUnits - 1);
        }
    }
    EXPECT_TRUE(NLogPaths::JoinPath(std::u16string(1004, u'f').c_str(), kPropertiesFileName));
    EXPECT_FALSE(NLogPaths::JoinPath(std::u16string(1005, u'f').c_str(), kPropertiesFileName));
}

}  // namespace
