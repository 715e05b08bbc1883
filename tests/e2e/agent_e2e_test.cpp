// The real agent, library and reader tool, run from a temporary folder.

#include <gtest/gtest.h>
#include <json/json.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>

#include "agent/virtual_machine_check.h"
#include "tests/e2e/agent_sandbox.h"
#include "tests/support/test_constants.h"

namespace {

using std::chrono::milliseconds;

using NTestConstants::kMiniSlot;
using NTestConstants::kSlot;
constexpr char kAnchorText[] = "2015-06-01 09:30:00";

std::vector<std::string> Arguments(const std::string& mode, const std::string& anchor,
                                   uint64_t tick) {
    return {mode, NAgentSandbox::kLaunchId, anchor, std::to_string(tick)};
}

struct NRecord {
    std::string strTick;
    std::string strServerTime;
};

NRecord ParseRecord(const std::string& slotBytes) {
    Json::Value root;
    std::istringstream(TextOfSlotBytes(slotBytes)) >> root;
    return {root["AtGetTickCount"].asString(), root["ServerTime"].asString()};
}

// The anchor text moved forward by whole seconds, as code 120 writes it.
std::string AnchorPlus(uint64_t elapsedMs) {
    std::tm anchor{};
    strptime(kAnchorText, "%Y-%m-%d %H:%M:%S", &anchor);
    const time_t seconds = timegm(&anchor) + static_cast<time_t>(elapsedMs / 1000);
    std::tm moved{};
    gmtime_r(&seconds, &moved);
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &moved);
    return text;
}

TEST(AgentE2eTest, PublishesTheAnchoredServerTimeAndSignalsTheEvent) {
    NAgentSandbox sandbox;
    const uint64_t anchorTick = NAgentSandbox::CurrentTick() - NAgentSandbox::kTicksBeforeStart;
    const pid_t agent = sandbox.Start(Arguments("NORMAL", kAnchorText, anchorTick));

    const auto slot = sandbox.WaitForSlot(kSlot, NAgentSandbox::kPatience);
    ASSERT_TRUE(slot.has_value()) << sandbox.ReadLog();
    const std::string text = TextOfSlotBytes(*slot);
    EXPECT_EQ(*slot, SlotBytesOf(text));  // UTF-16LE with one zero code unit
    const NRecord record = ParseRecord(*slot);
    const uint64_t publishedTick = std::stoull(record.strTick);
    ASSERT_GE(publishedTick, anchorTick + NAgentSandbox::kTicksBeforeStart);
    EXPECT_EQ(text, "{\"AtGetTickCount\":\"" + record.strTick + "\",\"ServerTime\":\"" +
                        AnchorPlus(publishedTick - anchorTick) + "\"}");

    EXPECT_EQ(sandbox.WaitForEvent(NTestConstants::kEventName, 10000), 0);
    EXPECT_FALSE(sandbox.WaitForExit(agent, milliseconds(0)).has_value());
    // No console: nothing it or a library prints goes anywhere.
    for (const int stream : {0, 1, 2}) {
        std::error_code error;
        const std::string fd = "/proc/" + std::to_string(agent) + "/fd/" + std::to_string(stream);
        EXPECT_EQ(std::filesystem::read_symlink(fd, error), "/dev/null") << stream;
    }

    const std::string log = sandbox.ReadLog();
    const std::regex start(
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,\d{3} \[INFO\] q6tsa q6tsa::Main: START\.\n)");
    EXPECT_TRUE(std::regex_search(log, start)) << log;
    EXPECT_NE(log.find("[INFO] q6tsa isRunByLoaclSystem() Process Token User SID : S-1-5-18\n"),
              std::string::npos);
    EXPECT_EQ(sandbox.ReadSlot(kMiniSlot), std::nullopt);
}

TEST(AgentE2eTest, OnlyExactlyMiniSelectsTheMiniSlotAndEvent) {
    struct Case {
        const char* mode;
        uint32_t slot;
        uint32_t otherSlot;
        const char* event;
    };
    const Case cases[] = {
        {"MINI", kMiniSlot, kSlot, NTestConstants::kMiniEventName},
        {"mini", kSlot, kMiniSlot, NTestConstants::kEventName},
        {"Mini", kSlot, kMiniSlot, NTestConstants::kEventName},
    };
    for (const Case& test : cases) {
        NAgentSandbox sandbox;
        sandbox.Start(Arguments(test.mode, kAnchorText, NAgentSandbox::CurrentTick()));
        EXPECT_TRUE(sandbox.WaitForSlot(test.slot, NAgentSandbox::kPatience).has_value())
            << test.mode;
        EXPECT_EQ(sandbox.WaitForEvent(test.event, 10000), 0) << test.mode;
        EXPECT_EQ(sandbox.ReadSlot(test.otherSlot), std::nullopt) << test.mode;
    }
}

TEST(AgentE2eTest, SecondAgentRefusesWhileTheFirstLivesAndStartsAfterItDied) {
    NAgentSandbox sandbox;
    const auto arguments = Arguments("NORMAL", kAnchorText, NAgentSandbox::CurrentTick());
    const pid_t first = sandbox.Start(arguments);
    const auto firstValue = sandbox.WaitForSlot(kSlot, NAgentSandbox::kPatience);
    ASSERT_TRUE(firstValue.has_value());

    const pid_t second = sandbox.Start(arguments);
    EXPECT_EQ(sandbox.WaitForExit(second, NAgentSandbox::kPatience), 0);
    EXPECT_TRUE(sandbox.WaitForLog("[ERROR] q6tsa q6tsa::Main:: mutex ALREADY_EXISTS.\n",
                                   NAgentSandbox::kPatience));
    EXPECT_FALSE(sandbox.WaitForExit(first, milliseconds(0)).has_value());

    sandbox.Kill(first);
    const pid_t third = sandbox.Start(arguments);
    ASSERT_TRUE(sandbox.WaitForLog("S-1-5-18", NAgentSandbox::kPatience));
    bool republished = false;
    for (auto value = sandbox.ReadSlot(kSlot);
         !republished && !sandbox.WaitForExit(third, NAgentSandbox::kPatience / 50);
         value = sandbox.ReadSlot(kSlot)) {
        republished = value != firstValue;
    }
    EXPECT_TRUE(republished) << sandbox.ReadLog();
    const std::string log = sandbox.ReadLog();
    EXPECT_EQ(log.find("ALREADY_EXISTS"), log.rfind("ALREADY_EXISTS"));  // only the second agent's
}

TEST(AgentE2eTest, RefusalsLogTheirExactLineAndExitWithZero) {
    const uint64_t tick = NAgentSandbox::CurrentTick();
    struct Case {
        std::vector<std::string> arguments;
        const char* line;
    };
    const Case cases[] = {
        {{"NORMAL", NAgentSandbox::kLaunchId, kAnchorText},
         "[ERROR] q6tsa q6tsa::Main:: arg. count insufficient.\n"},
        {{}, "[ERROR] q6tsa q6tsa::Main:: arg. count insufficient.\n"},
        {{"NORMAL", "5b3e90c7-2d41-4a6f-8c19-e07d2a4f6b38", kAnchorText, std::to_string(tick)},
         "[ERROR] q6tsa q6tsa::Main:: arg. id strange.\n"},
        {{"NORMAL", "{5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38}", kAnchorText, std::to_string(tick)},
         "[ERROR] q6tsa q6tsa::Main:: arg. id strange.\n"},
    };
    for (const Case& test : cases) {
        NAgentSandbox sandbox;
        const pid_t agent = sandbox.Start(test.arguments);
        EXPECT_EQ(sandbox.WaitForExit(agent, NAgentSandbox::kPatience), 0) << test.line;
        EXPECT_NE(sandbox.ReadLog().find(test.line), std::string::npos) << sandbox.ReadLog();
        EXPECT_EQ(sandbox.ReadSlot(kSlot), std::nullopt) << test.line;
    }
}

TEST(AgentE2eTest, UnprivilegedUserIsRefusedBeforeTheArgumentsAreRead) {
    NAgentSandbox sandbox;
    const pid_t agent = sandbox.Start({"too", "few"}, 65534);
    EXPECT_EQ(sandbox.WaitForExit(agent, NAgentSandbox::kPatience), 0);
    const std::string log = sandbox.ReadLog();
    const size_t sidLine =
        log.find("[INFO] q6tsa isRunByLoaclSystem() Process Token User SID : S-1-22-1-65534\n");
    const size_t refusal =
        log.find("[ERROR] q6tsa q6tsa::Main: q6tsa.exe must be run by Local System\n");
    ASSERT_NE(sidLine, std::string::npos) << log;
    ASSERT_NE(refusal, std::string::npos) << log;
    EXPECT_LT(sidLine, refusal);
    EXPECT_EQ(log.find("arg."), std::string::npos);
}

TEST(AgentE2eTest, VirtualMachineIsRefusedUnlessTheAdministratorOptedIn) {
    NAgentSandbox sandbox;
    sandbox.WriteProperties(false);
    const pid_t agent =
        sandbox.Start(Arguments("NORMAL", kAnchorText, NAgentSandbox::CurrentTick()));
    if (NVmCheck::IsVirtualMachine()) {
        EXPECT_EQ(sandbox.WaitForExit(agent, NAgentSandbox::kPatience), 0);
        EXPECT_NE(sandbox.ReadLog().find(
                      "[ERROR] q6tsa q6tsa::Main: q6tsa.exe must be Not run by VM Machine\n"),
                  std::string::npos);
        EXPECT_EQ(sandbox.ReadSlot(kSlot), std::nullopt);
    } else {
        EXPECT_TRUE(sandbox.WaitForSlot(kSlot, NAgentSandbox::kPatience).has_value());
        EXPECT_EQ(sandbox.ReadLog().find("VM Machine"), std::string::npos);
    }
}

TEST(AgentE2eTest, DateTextOfWrongLengthStillPublishesFromTheUnanchoredClock) {
    NAgentSandbox sandbox;
    const pid_t agent =
        sandbox.Start(Arguments("NORMAL", "2015-06-01 09:30:0", NAgentSandbox::CurrentTick()));
    const auto slot = sandbox.WaitForSlot(kSlot, NAgentSandbox::kPatience);
    ASSERT_TRUE(slot.has_value());
    // Unanchored, the clock counts the whole uptime from 1601-01-01.
    EXPECT_EQ(ParseRecord(*slot).strServerTime.rfind("1601-01-", 0), 0u) << TextOfSlotBytes(*slot);
    EXPECT_FALSE(sandbox.WaitForExit(agent, milliseconds(0)).has_value());
}

TEST(AgentE2eTest, MissingIpcLibraryIsLoggedAndTheAgentRunsOn) {
    NAgentSandbox sandbox;
    sandbox.RemoveIpcLibrary();
    const pid_t agent =
        sandbox.Start(Arguments("NORMAL", kAnchorText, NAgentSandbox::CurrentTick()));
    EXPECT_TRUE(sandbox.WaitForLog("[FATAL] q6tsa q6tsa::Send_Time_tick: ipc.SetData error.\n",
                                   NAgentSandbox::kPatience));
    const std::string log = sandbox.ReadLog();
    EXPECT_NE(log.find("[ERROR] q6tsa NIpcDrvLoader::LoadNwLib driver load error. (" +
                       sandbox.Folder().string() + "/qxipcdll.dll)"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("NIpcDrvLoader::SetData m_hLib is NULL."), std::string::npos);
    EXPECT_FALSE(sandbox.WaitForExit(agent, milliseconds(200)).has_value());
}

}  // namespace
