// Each test copies the set-up probe into a temporary folder and runs it there,
// with ALLUSERSPROFILE under the same folder: InitLog runs once per process.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_folder.h"
#include "tests/support/windows_build.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

// Far beyond what a set-up takes: a probe still running then waits for ever.
constexpr std::chrono::seconds kProbeTimeLimit{60};

struct NProbeRun {
    int nExitCode = -1;
    bool bTimedOut = false;
    std::map<std::string, std::string> mapValues;  // what the probe printed

    std::string operator[](const std::string& key) const {
        const auto found = mapValues.find(key);
        return found == mapValues.end() ? "<missing>" : found->second;
    }
};

class LogSetupTest : public ::testing::Test {
protected:
    fs::path Root() const { return m_temp.Path(); }
    fs::path Profile() const { return Root() / "profile"; }
    fs::path DefaultFolder() const { return Profile() / "Veltrix" / "Tessaro6"; }
    fs::path DefaultLog() const { return DefaultFolder() / "q6tsa.log"; }

    // The probe copied to <root>/<folder>/<name>.
    fs::path Install(const fs::path& folder, const std::string& name = "q6tsa") const {
        fs::path target = Root() / folder / name;
        fs::create_directories(target.parent_path());
        fs::copy_file(Q6_LOG_SETUP_PROBE, target, fs::copy_options::overwrite_existing);
        return target;
    }

    static void WriteProperties(const fs::path& program, const std::string& text) {
        std::ofstream(program.parent_path() / "q6agent.properties") << text;
    }

    // Entries of environment win over the ALLUSERSPROFILE of the test.
    NProbeRun Run(const fs::path& program, const std::vector<std::string>& messages = {},
                  std::vector<std::string> environment = {}) const {
        environment.push_back("ALLUSERSPROFILE=" + Profile().string());
        NChildOptions options;
        options.vecEnvironment = std::move(environment);
        options.timeout = kProbeTimeLimit;
        const NChildResult child = NChildProcess::Run(program.string(), messages, options);
        NProbeRun run;
        run.nExitCode = child.nExitCode;
        run.bTimedOut = child.bTimedOut;
        std::istringstream lines(child.strOut);
        for (std::string line; std::getline(lines, line);) {
            const size_t equals = line.find('=');
            if (equals != std::string::npos) {
                run.mapValues[line.substr(0, equals)] = line.substr(equals + 1);
            }
        }
        return run;
    }

    NProbeRun InstallAndRun(const std::string& properties,
                            const std::vector<std::string>& messages = {}) const {
        const fs::path program = Install("app");
        WriteProperties(program, properties);
        return Run(program, messages);
    }

    NTempFolder m_temp;
};

void ExpectRolling(const NProbeRun& run, const std::string& maxFileSize,
                   const std::string& maxBackupIndex) {
    EXPECT_EQ(run.nExitCode, 0);
    EXPECT_EQ(run["ready"], "1");
    EXPECT_EQ(run["appenders"], "1");
    EXPECT_EQ(run["appender"], "rolling");
    EXPECT_EQ(run["maxFileSize"], maxFileSize);
    EXPECT_EQ(run["maxBackupIndex"], maxBackupIndex);
}

TEST_F(LogSetupTest, WithoutPropertiesTheFixedValuesApplyInTheDefaultFolder) {
    const fs::path program = Install("app");
    const NProbeRun run = Run(program, {"6:information", "7:debugging", "0:failure"});
    ExpectRolling(run, "1048576", "3");
    EXPECT_EQ(run["priority"], "600");
    EXPECT_EQ(run["category"], "q6tsa");
    EXPECT_EQ(run["module"], "q6tsa");
    EXPECT_EQ(run["mini"], "0");
    const std::string log = NFileText::Read(DefaultLog());
    EXPECT_THAT(log, HasSubstr("[INFO] q6tsa information\n"));
    EXPECT_THAT(log, HasSubstr("[FATAL] q6tsa failure\n"));
    EXPECT_THAT(log, Not(HasSubstr("debugging")));
    EXPECT_FALSE(fs::exists(program.parent_path() / "q6tsa.log"));

    struct stat info {};
    ASSERT_EQ(::stat(DefaultLog().c_str(), &info), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(info.st_mode & 0777, 0644 & ~mask);
}

TEST_F(LogSetupTest, WrittenLinesHaveTheFixedLayout) {
    Run(Install("app"), {"6:first message", "3:second"});
    const std::regex layout(
        R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2},\d{3} \[(INFO|ERROR)\] q6tsa (first message|second))");
    std::istringstream lines(NFileText::Read(DefaultLog()));
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_TRUE(std::regex_match(line, layout)) << line;
    }
    EXPECT_EQ(count, 2);
}

TEST_F(LogSetupTest, LogLevelAloneKeepsTheReaderDefaults) {
    const NProbeRun run = InstallAndRun("[log]\nloglevel=7\n", {"7:debugging"});
    ExpectRolling(run, "1000000", "3");
    EXPECT_EQ(run["priority"], "700");
    EXPECT_THAT(NFileText::Read(DefaultLog()), HasSubstr("[DEBUG] q6tsa debugging\n"));
}

TEST_F(LogSetupTest, FolderInPlaceOfThePropertiesFileGivesTheReaderDefaults) {
    const fs::path program = Install("app");
    fs::create_directory(program.parent_path() / "q6agent.properties");
    const NProbeRun run = Run(program, {"6:information"});
    ExpectRolling(run, "1000000", "3");
    EXPECT_EQ(run["priority"], "600");
    EXPECT_THAT(NFileText::Read(DefaultLog()), HasSubstr("[INFO] q6tsa information\n"));
}

TEST_F(LogSetupTest, SizeLimitAndBackupsAreConfigurable) {
    const NProbeRun run = InstallAndRun("[LOG]\nMaxFileSize = 4096\nmaxbackupindex=7\n");
    ExpectRolling(run, "4096", "7");
}

struct NAppenderCase {
    const char* properties;
    const char* appender;
    const char* keptCount;  // days or backups
};

TEST_F(LogSetupTest, LogTypeChoosesTheAppender) {
    const NAppenderCase cases[] = {
        {"logtype=1", "daily", "3"},
        {"logtype=-1\nmaxBackupIndex=5", "daily", "5"},
        {"logtype=0\nmaxBackupIndex=5", "rolling", "5"},
        {"logtype=abc", "rolling", "3"},
        // A negative count would make every roll-over rename billions of names.
        {"maxBackupIndex=-1", "rolling", "3"},
        // The days to keep reach log4cpp as the unsigned value, as on Windows;
        // log4cpp itself turns 0 into its default of 30.
        {"logtype=2\nmaxBackupIndex=-1", "daily", "4294967295"},
        {"logtype=1\nmaxBackupIndex=-2", "daily", "4294967294"},
        {"logtype=1\nmaxBackupIndex=0", "daily", "30"},
        {"logtype=1\nmaxBackupIndex=400", "daily", "400"},
    };
    for (const NAppenderCase& entry : cases) {
        const NProbeRun run = InstallAndRun(std::string("[log]\n") + entry.properties + "\n");
        EXPECT_EQ(run["ready"], "1") << entry.properties;
        EXPECT_EQ(run["appender"], entry.appender) << entry.properties;
        const bool daily = std::string(entry.appender) == "daily";
        EXPECT_EQ(run[daily ? "days" : "maxBackupIndex"], entry.keptCount) << entry.properties;
    }
}

struct NLevelCase {
    const char* logLevel;
    const char* priority;
    const char* chained;
};

TEST_F(LogSetupTest, LogLevelMapsToThePriority) {
    const NLevelCase cases[] = {
        {"0", "0", "0"},
        {"3", "300", "300"},
        {"6", "600", "600"},
        {"7", "700", "700"},
        // NOTSET: the root category's INFO applies, as with 6.
        {"8", "800", "600"},
        {"9", "800", "600"},
        {"-1", "800", "600"},
        {"4294967299", "300", "300"},
    };
    for (const NLevelCase& entry : cases) {
        SCOPED_TRACE(entry.logLevel);
        fs::remove_all(DefaultFolder());
        const NProbeRun run = InstallAndRun(std::string("[log]\nloglevel=") + entry.logLevel,
                                            {"0:failure", "6:information", "7:debugging"});
        EXPECT_EQ(run["priority"], entry.priority);
        EXPECT_EQ(run["chained"], entry.chained);
        const int chained = std::stoi(entry.chained);
        const std::string log = NFileText::Read(DefaultLog());
        EXPECT_THAT(log, HasSubstr("[FATAL] q6tsa failure\n"));
        EXPECT_EQ(log.find("information") != std::string::npos, chained >= 600);
        EXPECT_EQ(log.find("debugging") != std::string::npos, chained >= 700);
    }
}

TEST_F(LogSetupTest, ConfiguredPathGetsTheFileAndTheDefaultFolderIsMadeToo) {
    const fs::path configured = Root() / "configured" / "logs";
    const NProbeRun run =
        InstallAndRun("[log]\npath=" + configured.string() + "\n", {"6:information"});
    EXPECT_EQ(run["ready"], "1");
    EXPECT_TRUE(fs::is_directory(DefaultFolder()));
    EXPECT_FALSE(fs::exists(DefaultLog()));
    EXPECT_THAT(NFileText::Read(configured / "q6tsa.log"), HasSubstr("[INFO] q6tsa information\n"));
}

TEST_F(LogSetupTest, ConfiguredPathInUtf8WithNonAsciiCharacters) {
    Q6_LINUX_ONLY("the log is in the ANSI code page, UTF-8 only on Linux");
    const fs::path configured = Root() / "Журнал été 日本";
    const NProbeRun run = InstallAndRun("[log]\npath=" + configured.string() + "\n", {"6:dépôt"});
    EXPECT_EQ(run["ready"], "1");
    EXPECT_THAT(NFileText::Read(configured / "q6tsa.log"), HasSubstr("[INFO] q6tsa dépôt\n"));
}

struct NMiniCase {
    const char* folder;
    bool mini;
};

TEST_F(LogSetupTest, MiniInstallationFolderPrefixesTheLogFile) {
    const NMiniCase cases[] = {
        {"Tessaro6_Mini", true},  {"TESSARO6_MINI", true}, {"opt/tessaro6_mini/bin", true},
        {"Tessaro6_Mini2", true}, {"Tessaro6", false},     {"xTessaro6_Mini", false},
    };
    for (const NMiniCase& entry : cases) {
        SCOPED_TRACE(entry.folder);
        fs::remove_all(DefaultFolder());
        const NProbeRun run = Run(Install(entry.folder), {"6:information"});
        EXPECT_EQ(run["mini"], entry.mini ? "1" : "0");
        EXPECT_EQ(fs::exists(DefaultFolder() / "Mini_q6tsa.log"), entry.mini);
        EXPECT_EQ(fs::exists(DefaultLog()), !entry.mini);
    }
}

TEST_F(LogSetupTest, RollsOverAtTheSizeLimit) {
    std::vector<std::string> messages;
    for (int i = 10; i < 40; ++i) {
        messages.push_back("6:message " + std::to_string(i));
    }
    const NProbeRun run = InstallAndRun("[log]\nmaxFileSize=200\nmaxBackupIndex=2\n", messages);
    ExpectRolling(run, "200", "2");
    // Each line is 48 bytes: a file rolls over after its fifth line.
    for (const char* backup : {"q6tsa.log.1", "q6tsa.log.2"}) {
        const uintmax_t size = fs::file_size(DefaultFolder() / backup);
        EXPECT_GE(size, 200u) << backup;
        EXPECT_LT(size, 200u + 48u) << backup;
    }
    EXPECT_LT(fs::file_size(DefaultLog()), 200u);
    EXPECT_FALSE(fs::exists(DefaultFolder() / "q6tsa.log.3"));
    EXPECT_THAT(NFileText::Read(DefaultFolder() / "q6tsa.log.1"), HasSubstr("message 39\n"));
}

TEST_F(LogSetupTest, ModuleNamesUpTo127UnitsFit) {
    const std::string name(127, 'n');
    const NProbeRun run = Run(Install("app", name), {"6:information"});
    EXPECT_EQ(run["ready"], "1");
    EXPECT_EQ(run["category"], name);
    EXPECT_THAT(NFileText::Read(DefaultFolder() / (name + ".log")), HasSubstr("information"));
}

struct NRefusalCase {
    const char* what;
    fs::path folder;
    std::string name;
    std::string properties;  // none when empty
    std::vector<std::string> environment;
    bool defaultFolderMade;
};

// A folder below root whose full path has exactly length bytes.
fs::path MakeDeepFolder(const fs::path& root, size_t length) {
    fs::path folder;
    size_t total = root.string().size();
    while (length - total > 101) {
        folder /= std::string(100, 'd');
        total += 101;
    }
    return folder / std::string(length - total - 1, 'd');
}

// A name that does not fit its buffer leaves logging off, and nothing is
// written under a cut name.
TEST_F(LogSetupTest, NamesThatDoNotFitLeaveLoggingOff) {
    std::string eAcute64;
    for (int i = 0; i < 64; ++i) {
        eAcute64 += "\u00e9";
    }
    const NRefusalCase cases[] = {
        {"module name of 128 units", "app", std::string(128, 'n'), "", {}, false},
        {"category name of 128 bytes", "app", eAcute64, "", {}, false},
        {"folder of 1024 units", MakeDeepFolder(Root(), 1024), "q6tsa", "", {}, false},
        {"properties path beyond 1023 units", MakeDeepFolder(Root(), 1010), "q6tsa", "", {}, false},
        {"default folder beyond 1023 units",
         "app",
         "q6tsa",
         "",
         {"ALLUSERSPROFILE=" + (Root() / MakeDeepFolder(Root(), 1010)).string()},
         false},
    };
    for (const NRefusalCase& entry : cases) {
        SCOPED_TRACE(entry.what);
        fs::remove_all(Profile());
        const fs::path program = Install(entry.folder, entry.name);
        if (!entry.properties.empty()) {
            WriteProperties(program, entry.properties);
        }
        const NProbeRun run = Run(program, {"6:information"}, entry.environment);
        EXPECT_EQ(run.nExitCode, 0);
        EXPECT_EQ(run["ready"], "0");
        EXPECT_EQ(fs::is_directory(DefaultFolder()), entry.defaultFolderMade);
        EXPECT_FALSE(fs::exists(DefaultLog()));
        fs::remove(program);
    }
}

// A configured path too long for its buffer is not cut into another folder:
// the log stays in the default folder, and its first line says why.
TEST_F(LogSetupTest, APathTooLongForItsBufferLeavesTheLogInTheDefaultFolderWithTheReason) {
    const fs::path longPath = Root() / "cut" / std::string(200, 'p') / std::string(100, 'p');
    const fs::path program = Install("app");
    WriteProperties(program, "[log]\npath=" + longPath.string());
    const NProbeRun run = Run(program, {"6:information"});
    EXPECT_EQ(run["ready"], "1");
    const std::string log = NFileText::Read(DefaultLog());
    EXPECT_THAT(
        log.substr(0, log.find('\n')),
        HasSubstr("[ERROR] q6tsa InitLog: the log path of q6agent.properties is too long ("));
    EXPECT_THAT(log, HasSubstr("information"));
    EXPECT_FALSE(fs::exists(Root() / "cut"));
}

// Without its format buffer the log can take no line but the one that says so.
TEST_F(LogSetupTest, FailedSetUpStepLeavesLoggingOffAndTheProcessRunning) {
    const fs::path program = Install("app");
    const NProbeRun run = Run(program, {"6:information"}, {"Q6_PROBE_FAIL_LOG_BUFFER=1"});
    EXPECT_EQ(run.nExitCode, 0);
    EXPECT_EQ(run["ready"], "0");
    const std::string log = NFileText::Read(DefaultLog());
    EXPECT_THAT(log, HasSubstr("[FATAL] q6tsa InitLog: out of memory: the log buffer cannot be "
                               "allocated, nothing more is logged.\n"));
    EXPECT_THAT(log, Not(HasSubstr("information")));
}

struct NLogEntryCase {
    const char* what;
    bool (*put)(const fs::path& logFile, const fs::path& rootFile);
};

// A log file name that holds a link or a FIFO: logging stays off, the link's
// target is not written, and the set-up does not wait for a FIFO's reader.
TEST_F(LogSetupTest, ALogFileThatIsALinkOrAFifoLeavesLoggingOff) {
    Q6_LINUX_ONLY("links and FIFOs are Linux files; on Windows the file's access rules decide");
    const fs::path configured = Root() / "configured";
    const fs::path rootFile = Root() / "root-file";
    const NLogEntryCase cases[] = {
        {"link to a file of root",
         [](const fs::path& logFile, const fs::path& linked) {
             return ::symlink(linked.c_str(), logFile.c_str()) == 0;
         }},
        {"FIFO", [](const fs::path& logFile,
                    const fs::path&) { return ::mkfifo(logFile.c_str(), 0644) == 0; }},
    };
    for (const NLogEntryCase& entry : cases) {
        SCOPED_TRACE(entry.what);
        fs::remove_all(configured);
        fs::create_directories(configured);
        std::ofstream(rootFile, std::ios::trunc) << "root's own\n";
        ASSERT_TRUE(entry.put(configured / "q6tsa.log", rootFile));
        const NProbeRun run =
            InstallAndRun("[log]\npath=" + configured.string() + "\n", {"6:information"});
        EXPECT_FALSE(run.bTimedOut);
        EXPECT_EQ(run.nExitCode, 0);
        EXPECT_EQ(run["ready"], "0");
        EXPECT_EQ(NFileText::Read(rootFile), "root's own\n");
        EXPECT_FALSE(fs::is_regular_file(fs::symlink_status(configured / "q6tsa.log")));
    }
}

struct NForeignFolderCase {
    const char* what;
    bool logFolderThere;
};

// A log folder below a folder of another account: nothing is made or
// written there, whether the log folder is there already or not.
TEST_F(LogSetupTest, ALogFolderInAFolderOfAnotherAccountIsRefused) {
    Q6_LINUX_ONLY("on Windows the folder's access rules decide");
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root: the folder is given to another account";
    }
    const fs::path foreign = Root() / "foreign";
    const NForeignFolderCase cases[] = {{"log folder missing", false}, {"log folder there", true}};
    for (const NForeignFolderCase& entry : cases) {
        SCOPED_TRACE(entry.what);
        fs::remove_all(foreign);
        fs::create_directories(entry.logFolderThere ? foreign / "logs" : foreign);
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
        const NProbeRun run =
            InstallAndRun("[log]\npath=" + (foreign / "logs").string() + "\n", {"6:information"});
        EXPECT_EQ(run.nExitCode, 0);
        EXPECT_EQ(run["ready"], "0");
        EXPECT_EQ(fs::exists(foreign / "logs"), entry.logFolderThere);
        EXPECT_FALSE(fs::exists(foreign / "logs" / "q6tsa.log"));
    }
}

}  // namespace
