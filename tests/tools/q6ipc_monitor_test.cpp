// q6ipc as operators and monitoring use it: status and its verdict, watch
// from the moment it starts, help and version. The executable and
// qxipcdll.dll are copied together into a fresh folder and read the slots and
// events of this test's namespace.

#include <gtest/gtest.h>
#include <json/json.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ipcdrv/qxipcdll.h"
#include "os/named_mutex.h"
#include "os/tick_source.h"
#include "tests/support/slot_text.h"
#include "tests/support/test_constants.h"
#include "tests/tools/q6ipc_folder_test.h"
#include "text/utf_codec.h"

namespace {

using NTestConstants::kMiniSlot;
using NTestConstants::kSlot;
constexpr char kAnchor[] = "2015-06-01 09:30:00";
constexpr int64_t kLimitMs = 35000;  // one publishing period and the margin
constexpr int kLineWaitMs = 20000;

std::string Record(const std::string& tick) {
    return "{\"AtGetTickCount\":\"" + tick + "\",\"ServerTime\":\"" + kAnchor + "\"}";
}

std::optional<Json::Value> ParseJson(const std::string& text) {
    Json::Value value;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::istringstream stream(text);
    if (!Json::parseFromStream(builder, stream, &value, &errors)) {
        return std::nullopt;
    }
    return value;
}

// "age=NNNms;WARN;CRIT;0" and the line's end, as the plugins' performance
// data has it.
bool IsAgeData(const std::string& text) {
    std::istringstream stream(text);
    int64_t age = -1;
    int64_t warning = -1;
    int64_t critical = -1;
    std::string rest;
    const bool read = stream.ignore(4) && stream >> age && stream.get() == 'm' &&
                      stream.get() == 's' && stream.get() == ';' && stream >> warning &&
                      stream.get() == ';' && stream >> critical && std::getline(stream, rest);
    return read && text.rfind("age=", 0) == 0 && age >= 0 && warning >= 0 && critical >= warning &&
           rest == ";0";
}

// "label: value" lines as label -> value.
std::map<std::string, std::string> Labelled(const std::string& text) {
    std::map<std::string, std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        const size_t colon = line.find(':');
        const size_t value = line.find_first_not_of(' ', colon + 1);
        if (colon != std::string::npos && value != std::string::npos) {
            lines[line.substr(0, colon)] = line.substr(value);
        }
    }
    return lines;
}

// Runs the built q6ipc; its outputs go through files in a folder of its own.
class Q6IpcCommandLineTest : public ::testing::Test {
protected:
    NRunResult Run(const std::vector<std::string>& arguments) const {
        return NQ6IpcProcess::Run(Q6IPC_PATH, arguments, m_folder.Path().string());
    }

    NObjectNamespace m_namespace;
    NTempFolder m_folder;
};

TEST_F(Q6IpcCommandLineTest, HelpPrintsTheUsageOfEveryCommandOnStandardOutput) {
    const NRunResult result = Run({"--help"});
    EXPECT_EQ(result.nExitCode, 0);
    EXPECT_EQ(result.strErr, "");
    EXPECT_EQ(result.strOut.rfind("usage: q6ipc COMMAND", 0), 0u) << result.strOut;
    for (const std::string command :
         {"\n  tick", "\n  get SLOT", "\n  now", "\n  status [--mini] [--json]",
          "\n  check [--mini] [--warning MS] [--critical MS]",
          "\n  watch [--mini] [--count N] [--timeout MS]", "\n  wait EVENT", "\n  -h, --help",
          "\n  -V, --version"}) {
        EXPECT_NE(result.strOut.find(command), std::string::npos) << command;
    }
}

TEST_F(Q6IpcCommandLineTest, VersionIsTheProjectVersion) {
    const NRunResult result = Run({"--version"});
    EXPECT_EQ(result.nExitCode, 0);
    EXPECT_EQ(result.strOut, std::string("q6ipc ") + Q6_PROJECT_VERSION + "\n");
    EXPECT_EQ(result.strErr, "");
}

// The tests stand in for a live agent: they hold its instance mutex.
class Q6IpcMonitorTest : public NQ6IpcFolderTest {
protected:
    void SetUp() override {
        NQ6IpcFolderTest::SetUp();
        if (!IsSkipped() && !HasFatalFailure()) {
            HoldAgentMutex();
        }
    }

    void HoldAgentMutex() {
        bool alreadyExists = true;
        auto mutex = NOs::NNamedMutex::CreateOwned(
            NUtf::ToUtf8(NServerTimeChannel::kInstanceMutexName), &alreadyExists);
        ASSERT_TRUE(mutex && !alreadyExists);
        m_agentMutex = mutex.Take();
    }

    // As when the agent ends: the mutex is free, its record stays.
    void ReleaseAgentMutex() { m_agentMutex.reset(); }

    static void Write(uint32_t slot, const std::string& text) {
        WriteBytes(slot, SlotBytesOf(text));
    }

    // Publishes records with ticks from tick on, one at a time, until the
    // watcher prints one, and reads what it prints until that is the last
    // record published: it then waits for the next publication. The lines
    // it printed, each one of these records.
    static std::vector<std::string> PublishUntilWatched(uint32_t slot, NQ6IpcProcess& watcher,
                                                        uint64_t tick) {
        constexpr int kStepMs = 10;
        std::vector<std::string> printed;
        std::string last;
        std::string line;
        for (int attempt = 0; attempt < 3000 && printed.empty(); ++attempt, ++tick) {
            last = Record(std::to_string(tick));
            Write(slot, last);
            if (watcher.ReadLine(line, kStepMs)) {
                printed.push_back(line);
            }
        }
        while (!printed.empty() && printed.back() != last && watcher.ReadLine(line, kLineWaitMs)) {
            printed.push_back(line);
        }
        return printed;
    }

    std::unique_ptr<NOs::NNamedMutex> m_agentMutex;
};

struct NStatusCase {
    const char* pszName;
    std::optional<int64_t> nAgeMs;  // of the record written; none: no record
    const char* pszText;            // written instead of a record when set
    int nExitCode;
    const char* pszVerdict;
};

// The status of a record written with a tick ageMs before the run, as text
// and as JSON. The age shown lies between ageMs and ageMs plus the time the
// run took; the server time is the anchor carried forward by that age.
TEST_F(Q6IpcMonitorTest, StatusJudgesTheRecordByItsAge) {
    if (NOs::GetTickCount64() <= 2 * kLimitMs) {
        GTEST_SKIP() << "the machine started too recently for an old tick";
    }
    const std::vector<NStatusCase> cases = {
        {"fresh", 0, nullptr, 0, "publishing"},
        {"most of a period old", 25000, nullptr, 0, "publishing"},
        {"a publication missed", 2 * kLimitMs, nullptr, 1, "stale"},
        {"tick ahead of the machine's", -60000, nullptr, 1, "stale"},
        {"no record", std::nullopt, nullptr, 1, "no record"},
        {"not a record", std::nullopt, "not json", 1, "bad record"},
    };
    for (const NStatusCase& test : cases) {
        SCOPED_TRACE(test.pszName);
        ASSERT_EQ(fnDeleteData(kSlot), 1);
        const uint64_t before = NOs::GetTickCount64();
        const uint64_t tick =
            static_cast<uint64_t>(static_cast<int64_t>(before) - test.nAgeMs.value_or(0));
        const std::string record =
            test.pszText != nullptr ? test.pszText : Record(std::to_string(tick));
        if (test.nAgeMs || test.pszText != nullptr) {
            Write(kSlot, record);
        }
        const NRunResult text = Run({"status"});
        const NRunResult json = Run({"status", "--json"});
        const int64_t tookMs = static_cast<int64_t>(NOs::GetTickCount64() - before);

        EXPECT_EQ(text.nExitCode, test.nExitCode);
        EXPECT_EQ(json.nExitCode, test.nExitCode);
        EXPECT_EQ(json.strErr, "");
        const std::map<std::string, std::string> lines = Labelled(text.strOut);
        ASSERT_EQ(lines.count("verdict"), 1u) << text.strOut;
        EXPECT_EQ(lines.at("verdict").rfind(test.pszVerdict, 0), 0u) << text.strOut;
        EXPECT_EQ(lines.count("age"), test.nAgeMs ? 1u : 0u) << text.strOut;

        const std::optional<Json::Value> status = ParseJson(json.strOut);
        ASSERT_TRUE(status && status->isObject()) << json.strOut;
        EXPECT_EQ((*status)["verdict"].asString(), test.pszVerdict);
        EXPECT_EQ((*status)["slot"].asString(), "0x30000259");
        EXPECT_EQ((*status)["limitMs"].asInt64(), kLimitMs);
        EXPECT_EQ((*status)["agentRunning"], Json::Value(true)) << json.strOut;
        EXPECT_EQ(lines.count("agent") == 1 ? lines.at("agent") : "", "running") << text.strOut;
        EXPECT_EQ((*status)["reason"].isNull(), test.nExitCode == 0) << json.strOut;
        if (test.nAgeMs || test.pszText != nullptr) {
            EXPECT_EQ((*status)["record"].asString(), record);
            EXPECT_EQ(lines.count("record") == 1 ? lines.at("record") : "", record);
        } else {
            EXPECT_TRUE((*status)["record"].isNull()) << json.strOut;
        }
        if (!test.nAgeMs) {
            EXPECT_TRUE((*status)["ageMs"].isNull()) << json.strOut;
            EXPECT_TRUE((*status)["serverTime"].isNull()) << json.strOut;
            continue;
        }
        const int64_t age = (*status)["ageMs"].asInt64();
        EXPECT_GE(age, *test.nAgeMs);
        EXPECT_LE(age, *test.nAgeMs + tookMs);
        EXPECT_EQ(Seconds((*status)["serverTime"].asString()),
                  Seconds(kAnchor) + std::max<int64_t>(age, 0) / 1000)
            << json.strOut;
    }
}

TEST_F(Q6IpcMonitorTest, StatusMiniReadsTheMiniEditionsSlot) {
    Write(kMiniSlot, Record(std::to_string(NOs::GetTickCount64())));
    const NRunResult mini = Run({"status", "--mini", "--json"});
    EXPECT_EQ(mini.nExitCode, 0) << mini.strOut;
    const std::optional<Json::Value> status = ParseJson(mini.strOut);
    ASSERT_TRUE(status) << mini.strOut;
    EXPECT_EQ((*status)["slot"].asString(), "0x40000259");

    const NRunResult normal = Run({"status"});
    EXPECT_EQ(normal.nExitCode, 1);
    EXPECT_EQ(normal.strOut,
              "verdict:     no record (slot 0x30000259 is missing or cannot be read)\n"
              "slot:        0x30000259\n"
              "agent:       running\n");
}

// Without a live agent the verdict is "not running" whatever its record
// says; the record is still shown.
TEST_F(Q6IpcMonitorTest, StatusWithoutALiveAgentIsNotRunning) {
    const std::string record = Record(std::to_string(NOs::GetTickCount64()));
    Write(kSlot, record);
    ReleaseAgentMutex();
    const NRunResult result = Run({"status"});
    EXPECT_EQ(result.nExitCode, 1);
    const std::map<std::string, std::string> lines = Labelled(result.strOut);
    EXPECT_EQ(lines.count("verdict") == 1 ? lines.at("verdict") : "",
              "not running (no live agent holds its instance mutex)")
        << result.strOut;
    EXPECT_EQ(lines.count("agent") == 1 ? lines.at("agent") : "", "not running");
    EXPECT_EQ(lines.count("record") == 1 ? lines.at("record") : "", record);
}

TEST_F(Q6IpcMonitorTest, StatusWithoutTheLibraryIsReaderMisinstalledAndExits3) {
    std::filesystem::remove(m_folder.Path() / "qxipcdll.dll");
    const NRunResult result = Run({"status"});
    EXPECT_EQ(result.nExitCode, 3);
    EXPECT_EQ(result.strOut.rfind("verdict:     reader misinstalled (", 0), 0u) << result.strOut;
}

struct NCheckCase {
    const char* pszName;
    std::optional<int64_t> nAgeMs;  // of the record written; none: no record
    bool bAgentRunning;
    std::vector<std::string> arguments;
    int nExitCode;
    const char* pszLineStart;
};

// q6ipc check: the plugin's state as its exit code and at the start of its one
// line, and the age as performance data against the thresholds.
TEST_F(Q6IpcMonitorTest, CheckExitsWithTheMonitoringPluginsStates) {
    if (NOs::GetTickCount64() <= 3 * kLimitMs) {
        GTEST_SKIP() << "the machine started too recently for an old tick";
    }
    const std::vector<NCheckCase> cases = {
        {"publishing", 0, true, {}, 0, "Q6TSA OK - publishing, record "},
        {"a publication late", 40000, true, {}, 1, "Q6TSA WARNING - stale "},
        {"two publications missed", 70000, true, {}, 2, "Q6TSA CRITICAL - stale "},
        {"older than its own warning", 5000, true, {"--warning=1000"}, 1, "Q6TSA WARNING - "},
        {"older than its own critical", 5000, true, {"--critical", "2000"}, 2, "Q6TSA CRITICAL - "},
        {"no record", std::nullopt, true, {}, 2, "Q6TSA CRITICAL - no record "},
        {"no agent", 0, false, {}, 2, "Q6TSA CRITICAL - not running "},
    };
    for (const NCheckCase& test : cases) {
        SCOPED_TRACE(test.pszName);
        ASSERT_EQ(fnDeleteData(kSlot), 1);
        if (test.nAgeMs) {
            const auto tick = static_cast<int64_t>(NOs::GetTickCount64()) - *test.nAgeMs;
            Write(kSlot, Record(std::to_string(tick)));
        }
        if (!test.bAgentRunning) {
            ReleaseAgentMutex();
        }
        std::vector<std::string> arguments{"check"};
        arguments.insert(arguments.end(), test.arguments.begin(), test.arguments.end());
        const NRunResult result = Run(arguments);
        EXPECT_EQ(result.nExitCode, test.nExitCode) << result.strOut;
        EXPECT_EQ(result.strOut.rfind(test.pszLineStart, 0), 0u) << result.strOut;
        EXPECT_EQ(std::count(result.strOut.begin(), result.strOut.end(), '\n'), 1) << result.strOut;
        const size_t bar = result.strOut.find('|');
        if (test.nAgeMs) {
            ASSERT_NE(bar, std::string::npos) << result.strOut;
            EXPECT_TRUE(IsAgeData(result.strOut.substr(bar + 1))) << result.strOut;
        } else {
            EXPECT_EQ(bar, std::string::npos) << result.strOut;
        }
        if (!test.bAgentRunning) {
            HoldAgentMutex();
        }
    }
}

TEST_F(Q6IpcMonitorTest, CheckWithoutTheLibraryIsUnknown) {
    std::filesystem::remove(m_folder.Path() / "qxipcdll.dll");
    const NRunResult result = Run({"check"});
    EXPECT_EQ(result.nExitCode, 3);
    EXPECT_EQ(result.strOut.rfind("Q6TSA UNKNOWN - reader misinstalled (", 0), 0u) << result.strOut;
}

// A record left from before the watcher started shows nothing; each
// publication after it does, and --count ends it.
TEST_F(Q6IpcMonitorTest, WatchPrintsOnlyPublicationsMadeAfterItStarted) {
    constexpr size_t kCount = 20;
    for (const bool mini : {false, true}) {
        SCOPED_TRACE(mini);
        const uint32_t slot = mini ? kMiniSlot : kSlot;
        Write(slot, Record("100"));

        std::vector<std::string> arguments{"watch", "--count", std::to_string(kCount), "--timeout",
                                           "60000"};
        if (mini) {
            arguments.push_back("--mini");
        }
        NQ6IpcProcess watcher;
        ASSERT_TRUE(watcher.Start(Program(), arguments, (m_folder.Path() / "watch.err").string()));
        const std::vector<std::string> first = PublishUntilWatched(slot, watcher, 1000);
        ASSERT_FALSE(first.empty());
        ASSERT_LT(first.size(), kCount);
        EXPECT_EQ(std::count(first.begin(), first.end(), Record("100")), 0);
        for (size_t printed = first.size(); printed < kCount; ++printed) {
            const std::string record = Record(std::to_string(30000 + printed));
            Write(slot, record);
            std::string line;
            ASSERT_TRUE(watcher.ReadLine(line, kLineWaitMs));
            EXPECT_EQ(line, record);
        }
        std::string line;
        EXPECT_FALSE(watcher.ReadLine(line, kLineWaitMs)) << line;  // it ended at the count
        EXPECT_EQ(watcher.Stop(), 0);
    }
}

// An agent whose clock stands still writes the same record every cycle:
// each write is a publication all the same.
TEST_F(Q6IpcMonitorTest, WatchCountsTheSameRecordWrittenAgain) {
    constexpr size_t kCount = 20;
    NQ6IpcProcess watcher;
    ASSERT_TRUE(watcher.Start(Program(), {"watch", "--count", std::to_string(kCount)},
                              (m_folder.Path() / "watch.err").string()));
    const std::vector<std::string> first = PublishUntilWatched(kSlot, watcher, 100);
    ASSERT_FALSE(first.empty());
    ASSERT_LT(first.size(), kCount);
    for (size_t printed = first.size(); printed < kCount; ++printed) {
        Write(kSlot, first.back());
        std::string line;
        ASSERT_TRUE(watcher.ReadLine(line, kLineWaitMs));
        EXPECT_EQ(line, first.back());
    }
    std::string line;
    EXPECT_FALSE(watcher.ReadLine(line, kLineWaitMs));
    EXPECT_EQ(watcher.Stop(), 0);
}

TEST_F(Q6IpcMonitorTest, WatchTimeoutEndsWith1WhenNoPublicationCame) {
    Write(kSlot, Record("100"));  // left from before: no publication
    const NRunResult result = Run({"watch", "--timeout", "300"});
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_EQ(result.strOut, "");
    EXPECT_EQ(result.strErr, "q6ipc: no publication within 300 ms\n");
}

}  // namespace
