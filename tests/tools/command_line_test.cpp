// q6ipc's command line, read in one process: what each command accepts and
// what is a usage error. The tests of the built q6ipc show what a usage
// error prints and its exit code.

#include "tools/q6ipc/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using NQ6Ipc::NCommand;
using NQ6Ipc::NCommandKind;

std::optional<NCommand> Parse(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv{"q6ipc"};
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    return NQ6Ipc::ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

std::string Joined(const std::vector<std::string>& arguments) {
    std::string line = "q6ipc";
    for (const std::string& argument : arguments) {
        line += " [" + argument + "]";
    }
    return line;
}

TEST(Q6IpcCommandLineParseTest, UsageErrorsAreRefused) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"bogus"},
        {"--verbose"},
        {"-h"},
        {"TICK"},
        {"tick", "extra"},
        {"tick", "--raw"},
        {"get"},
        {"get", ""},
        {"get", "0x"},
        {"get", "-1"},
        {"get", "+1"},
        {"get", " 1"},
        {"get", "12abc"},
        {"get", "0x100000000"},
        {"get", "09"},
        {"get", "1", "2"},
        {"get", "1", "--mini"},
        {"now", "--raw"},
        {"now", "--json"},
        {"now", "extra"},
        {"status", "extra"},
        {"status", "--raw"},
        {"status", "--korea"},
        {"status", "--timeout", "5"},
        {"status", "--help"},
        {"watch", "--korea"},
        {"watch", "--timeout", "100", "--json"},
        {"watch", "--timeout", "100", "--count"},
        {"watch", "--timeout", "100", "--count", "0"},
        {"watch", "--timeout", "100", "--count", "-1"},
        {"watch", "--timeout", "100", "--count", "x"},
        {"watch", "--timeout", "100", "5"},
        {"watch", "--count", "1", "--timeout", "1s"},
        {"watch", "--count", "1", "--timeout"},
        {"watch", "--timeout", "4294967296"},
        {"wait"},
        {"wait", ""},
        {"wait", "E", "--timeout"},
        {"wait", "E", "--timeout", "soon"},
        {"wait", "E", "--timeout", "-1"},
        {"wait", "E", "--timeout", "0x10"},
        {"wait", "E", "F"},
        {"--help", "extra"},
        {"--version", "--mini"},
    };
    for (const std::vector<std::string>& arguments : cases) {
        EXPECT_FALSE(Parse(arguments).has_value()) << Joined(arguments);
    }
}

struct NValidCase {
    std::vector<std::string> arguments;
    NCommand expected;
};

NCommand Command(NCommandKind kind) {
    NCommand command;
    command.eKind = kind;
    return command;
}

template <typename Change>
NCommand Command(NCommandKind kind, Change change) {
    NCommand command = Command(kind);
    change(command);
    return command;
}

TEST(Q6IpcCommandLineParseTest, EachCommandTakesItsWordAndOptionsInAnyOrder) {
    const std::vector<NValidCase> cases = {
        {{"tick"}, Command(NCommandKind::Tick)},
        {{"--help"}, Command(NCommandKind::Help)},
        {{"--version"}, Command(NCommandKind::Version)},
        {{"get", "0x30000259"},
         Command(NCommandKind::Get, [](NCommand& c) { c.nSlot = 0x30000259; })},
        {{"get", "017", "--raw"},
         Command(NCommandKind::Get,
                 [](NCommand& c) {
                     c.nSlot = 15;
                     c.bRaw = true;
                 })},
        {{"get", "--raw", "4294967295"},
         Command(NCommandKind::Get,
                 [](NCommand& c) {
                     c.nSlot = 4294967295u;
                     c.bRaw = true;
                 })},
        {{"now", "--korea", "--mini"},
         Command(NCommandKind::Now,
                 [](NCommand& c) {
                     c.bKorea = true;
                     c.bMini = true;
                 })},
        {{"status", "--json"}, Command(NCommandKind::Status, [](NCommand& c) { c.bJson = true; })},
        {{"watch"}, Command(NCommandKind::Watch)},
        {{"watch", "--count", "2", "--timeout", "0", "--mini"},
         Command(NCommandKind::Watch,
                 [](NCommand& c) {
                     c.nCount = 2;
                     c.nTimeoutMs = 0;
                     c.bMini = true;
                 })},
        {{"wait", "Global\\E", "--timeout", "100"},
         Command(NCommandKind::Wait,
                 [](NCommand& c) {
                     c.strEvent = "Global\\E";
                     c.nTimeoutMs = 100;
                 })},
        {{"wait", "--timeout", "100", "E"},
         Command(NCommandKind::Wait,
                 [](NCommand& c) {
                     c.strEvent = "E";
                     c.nTimeoutMs = 100;
                 })},
    };
    for (const NValidCase& test : cases) {
        SCOPED_TRACE(Joined(test.arguments));
        const std::optional<NCommand> command = Parse(test.arguments);
        ASSERT_TRUE(command.has_value());
        EXPECT_EQ(command->eKind, test.expected.eKind);
        EXPECT_EQ(command->nSlot, test.expected.nSlot);
        EXPECT_EQ(command->bRaw, test.expected.bRaw);
        EXPECT_EQ(command->bMini, test.expected.bMini);
        EXPECT_EQ(command->bKorea, test.expected.bKorea);
        EXPECT_EQ(command->bJson, test.expected.bJson);
        EXPECT_EQ(command->nCount, test.expected.nCount);
        EXPECT_EQ(command->strEvent, test.expected.strEvent);
        EXPECT_EQ(command->nTimeoutMs, test.expected.nTimeoutMs);
    }
}

}  // namespace
