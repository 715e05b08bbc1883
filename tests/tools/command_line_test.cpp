// q6ipc's command line, read in one process: what each command accepts, in
// which forms, and what each usage error says. The tests of the built q6ipc
// show how a usage error is printed and its exit code.

#include "tools/q6ipc/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using NQ6Ipc::NCommand;
using NQ6Ipc::NCommandKind;

NQ6Ipc::NCommandLine Parse(const std::vector<std::string>& arguments) {
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

struct NErrorCase {
    std::vector<std::string> arguments;
    const char* pszError;
};

TEST(Q6IpcCommandLineParseTest, EachUsageErrorSaysWhatIsWrong) {
    const std::vector<NErrorCase> cases = {
        {{}, "missing command"},
        {{"bogus"}, "unknown command 'bogus'"},
        {{"TICK"}, "unknown command 'TICK'"},
        {{"stauts"}, "unknown command 'stauts'"},
        {{"--verbose"}, "unrecognized option '--verbose'"},
        {{"-x"}, "invalid option -- 'x'"},
        {{"tick", "extra"}, "extra operand 'extra'"},
        {{"tick", "--raw"}, "option '--raw' does not go with tick"},
        {{"tick", "--bogus"}, "unrecognized option '--bogus'"},
        {{"tick", "--bogus=1"}, "unrecognized option '--bogus=1'"},
        {{"tick", "-q"}, "invalid option -- 'q'"},
        {{"get"}, "missing SLOT for get"},
        {{"get", ""}, "invalid SLOT '' (a 32-bit number: 0x30000259, 017, 31)"},
        {{"get", "0x"}, "invalid SLOT '0x' (a 32-bit number: 0x30000259, 017, 31)"},
        {{"get", "+1"}, "invalid SLOT '+1' (a 32-bit number: 0x30000259, 017, 31)"},
        {{"get", " 1"}, "invalid SLOT ' 1' (a 32-bit number: 0x30000259, 017, 31)"},
        {{"get", "12abc"}, "invalid SLOT '12abc' (a 32-bit number: 0x30000259, 017, 31)"},
        {{"get", "0x100000000"},
         "invalid SLOT '0x100000000' (a 32-bit number: 0x30000259, 017, 31)"},
        {{"get", "09"}, "invalid SLOT '09' (a 32-bit number: 0x30000259, 017, 31)"},
        {{"get", "-1"}, "invalid option -- '1'"},
        {{"get", "1", "2"}, "extra operand '2'"},
        {{"get", "1", "--mini"}, "option '--mini' does not go with get"},
        {{"get", "1", "--raw=yes"}, "option '--raw' doesn't allow an argument"},
        {{"now", "--json"}, "option '--json' does not go with now"},
        {{"now", "extra"}, "extra operand 'extra'"},
        {{"status", "--korea"}, "option '--korea' does not go with status"},
        {{"status", "--timeout", "5"}, "option '--timeout' does not go with status"},
        {{"status", "--json="}, "option '--json' doesn't allow an argument"},
        {{"check", "--warning"}, "option '--warning' requires an argument"},
        {{"check", "--warning=abc"}, "invalid argument 'abc' for '--warning'"},
        {{"check", "--critical", "-5"}, "invalid argument '-5' for '--critical'"},
        {{"check", "--warning=9000", "--critical=8000"}, "--warning 9000 exceeds --critical 8000"},
        {{"check", "--json"}, "option '--json' does not go with check"},
        {{"watch", "--count"}, "option '--count' requires an argument"},
        {{"watch", "--count", "0"}, "invalid argument '0' for '--count'"},
        {{"watch", "--count=x"}, "invalid argument 'x' for '--count'"},
        {{"watch", "--timeout", "100", "5"}, "extra operand '5'"},
        {{"watch", "--timeout", "1s"}, "invalid argument '1s' for '--timeout'"},
        {{"watch", "--timeout=4294967296"}, "invalid argument '4294967296' for '--timeout'"},
        {{"watch", "--timeout="}, "invalid argument '' for '--timeout'"},
        {{"wait"}, "missing EVENT for wait"},
        {{"wait", ""}, "the EVENT name is empty"},
        {{"wait", "E", "--timeout"}, "option '--timeout' requires an argument"},
        {{"wait", "E", "--timeout", "0x10"}, "invalid argument '0x10' for '--timeout'"},
        {{"wait", "E", "F"}, "extra operand 'F'"},
        {{"wait", "--", "--help", "F"}, "extra operand 'F'"},
    };
    for (const NErrorCase& test : cases) {
        EXPECT_EQ(Parse(test.arguments).strError, test.pszError) << Joined(test.arguments);
    }
}

TEST(Q6IpcCommandLineParseTest, AnErrorKeepsTheCommandAsFarAsItWasRead) {
    EXPECT_EQ(Parse({"check", "--warning=x"}).command.eKind, NCommandKind::Check);
    EXPECT_EQ(Parse({"status", "x"}).command.eKind, NCommandKind::Status);
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

TEST(Q6IpcCommandLineParseTest, EachCommandTakesItsOperandAndOptionsInEveryForm) {
    const std::vector<NValidCase> cases = {
        {{"tick"}, Command(NCommandKind::Tick)},
        {{"--help"}, Command(NCommandKind::Help)},
        {{"-h"}, Command(NCommandKind::Help)},
        {{"--version"}, Command(NCommandKind::Version)},
        {{"-V"}, Command(NCommandKind::Version)},
        {{"status", "--help"}, Command(NCommandKind::Help)},
        {{"bogus", "-h"}, Command(NCommandKind::Help)},
        {{"get", "--version", "--help"}, Command(NCommandKind::Version)},
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
        {{"check"}, Command(NCommandKind::Check)},
        {{"check", "--mini", "--warning=40000", "--critical", "90000"},
         Command(NCommandKind::Check,
                 [](NCommand& c) {
                     c.bMini = true;
                     c.nWarningMs = 40000;
                     c.nCriticalMs = 90000;
                 })},
        {{"check", "--warning", "0", "--critical=0"},
         Command(NCommandKind::Check,
                 [](NCommand& c) {
                     c.nWarningMs = 0;
                     c.nCriticalMs = 0;
                 })},
        {{"watch"}, Command(NCommandKind::Watch)},
        {{"watch", "--count", "2", "--timeout=0", "--mini"},
         Command(NCommandKind::Watch,
                 [](NCommand& c) {
                     c.nCount = 2;
                     c.nTimeoutMs = 0;
                     c.bMini = true;
                 })},
        {{"watch", "--count=1", "--timeout", "100"},
         Command(NCommandKind::Watch,
                 [](NCommand& c) {
                     c.nCount = 1;
                     c.nTimeoutMs = 100;
                 })},
        {{"wait", "Global\\E", "--timeout", "100"},
         Command(NCommandKind::Wait,
                 [](NCommand& c) {
                     c.strEvent = "Global\\E";
                     c.nTimeoutMs = 100;
                 })},
        {{"wait", "--timeout=100", "E"},
         Command(NCommandKind::Wait,
                 [](NCommand& c) {
                     c.strEvent = "E";
                     c.nTimeoutMs = 100;
                 })},
        {{"wait", "--timeout", "100", "--", "--help"},
         Command(NCommandKind::Wait,
                 [](NCommand& c) {
                     c.strEvent = "--help";
                     c.nTimeoutMs = 100;
                 })},
        {{"wait", "--", "-"}, Command(NCommandKind::Wait, [](NCommand& c) { c.strEvent = "-"; })},
    };
    for (const NValidCase& test : cases) {
        SCOPED_TRACE(Joined(test.arguments));
        const NQ6Ipc::NCommandLine line = Parse(test.arguments);
        ASSERT_EQ(line.strError, "");
        const NCommand& command = line.command;
        EXPECT_EQ(command.eKind, test.expected.eKind);
        EXPECT_EQ(command.nSlot, test.expected.nSlot);
        EXPECT_EQ(command.bRaw, test.expected.bRaw);
        EXPECT_EQ(command.bMini, test.expected.bMini);
        EXPECT_EQ(command.bKorea, test.expected.bKorea);
        EXPECT_EQ(command.bJson, test.expected.bJson);
        EXPECT_EQ(command.nCount, test.expected.nCount);
        EXPECT_EQ(command.strEvent, test.expected.strEvent);
        EXPECT_EQ(command.nTimeoutMs, test.expected.nTimeoutMs);
        EXPECT_EQ(command.nWarningMs, test.expected.nWarningMs);
        EXPECT_EQ(command.nCriticalMs, test.expected.nCriticalMs);
    }
}

}  // namespace
