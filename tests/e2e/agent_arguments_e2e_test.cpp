// The real agent with bad arguments: huge, invalid UTF-8, empty, ticks out of
// the 64-bit range, dates out of the accepted range. It never crashes: it
// either refuses with its log line and exit code 0, or publishes what the
// clock rules make of the arguments.

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "tests/e2e/agent_sandbox.h"
#include "tests/support/test_constants.h"

namespace {

using std::chrono::milliseconds;

using NTestConstants::kMiniSlot;
using NTestConstants::kSlot;
constexpr size_t k64KiB = size_t{64} * 1024;
constexpr char kDate[] = "2015-06-01 09:30:00";
constexpr int64_t kDateSeconds = 1433151000;
// The clock's result for a date it cannot convert: -1, 1969-12-31 23:59:59.
constexpr int64_t kInvalidDateSeconds = -1;
// Where an unanchored clock starts: 1601-01-01 00:00:00 at tick 0.
constexpr int64_t kUnanchoredSeconds = -11644473600;

std::string TextOfSeconds(int64_t seconds) {
    const auto time = static_cast<time_t>(seconds);
    std::tm fields{};
    gmtime_r(&time, &fields);
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &fields);
    return text;
}

int64_t SecondsOf(int year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return timegm(&fields);
}

// The pair the clock is anchored on: seconds since 1970 and the tick at
// which they held. A tick above the machine's counter freezes the clock.
struct NAnchor {
    int64_t nSeconds;
    uint64_t nTick;
};

struct NPublishCase {
    const char* what;
    std::vector<std::string> arguments;
    NAnchor anchor;
};

struct NRefusalCase {
    const char* what;
    std::vector<std::string> arguments;
    const char* line;
};

class AgentArgumentsE2eTest : public ::testing::Test {
protected:
    std::vector<std::string> Arguments(const std::string& mode, const std::string& id,
                                       const std::string& date, const std::string& tick) const {
        return {mode, id, date, tick};
    }
    std::vector<std::string> WithDate(const std::string& date) const {
        return Arguments("NORMAL", NAgentSandbox::kLaunchId, date, m_strAnchorTick);
    }
    std::vector<std::string> WithTick(const std::string& tick) const {
        return Arguments("NORMAL", NAgentSandbox::kLaunchId, kDate, tick);
    }
    NAnchor AnchoredAt(int64_t seconds) const { return {seconds, m_nAnchorTick}; }

    // Starts the agent and checks its first publication against the clock
    // rules: a running clock moves the anchor by the ticks up to the published
    // one, a frozen clock publishes the anchor itself.
    static void ExpectPublished(const NPublishCase& test) {
        SCOPED_TRACE(test.what);
        NAgentSandbox sandbox;
        const uint64_t before = NAgentSandbox::CurrentTick();
        const pid_t agent = sandbox.Start(test.arguments);
        const std::optional<std::string> slot =
            sandbox.WaitForSlot(kSlot, NAgentSandbox::kPatience);
        const uint64_t after = NAgentSandbox::CurrentTick();
        ASSERT_TRUE(slot.has_value()) << sandbox.ReadLog();
        const std::optional<NPublishedRecord> record = ParseSlotRecord(*slot);
        ASSERT_TRUE(record.has_value()) << TextOfSlotBytes(*slot);
        if (test.anchor.nTick > after) {
            EXPECT_EQ(record->strTick, std::to_string(test.anchor.nTick));
            EXPECT_EQ(record->strServerTime, TextOfSeconds(test.anchor.nSeconds));
        } else {
            const uint64_t published = std::stoull(record->strTick);
            EXPECT_GE(published, before);
            EXPECT_LE(published, after);
            const auto elapsedSeconds =
                static_cast<int64_t>((published - test.anchor.nTick) / 1000);
            EXPECT_EQ(record->strServerTime, TextOfSeconds(test.anchor.nSeconds + elapsedSeconds));
        }
        EXPECT_EQ(sandbox.ReadSlot(kMiniSlot), std::nullopt);
        EXPECT_FALSE(sandbox.WaitForExit(agent, milliseconds(0)).has_value());
        const std::string log = sandbox.ReadLog();
        EXPECT_EQ(log.find("[ERROR]"), std::string::npos) << log;
        EXPECT_EQ(log.find("[FATAL]"), std::string::npos) << log;
    }

    static void ExpectRefused(const NRefusalCase& test) {
        SCOPED_TRACE(test.what);
        NAgentSandbox sandbox;
        const pid_t agent = sandbox.Start(test.arguments);
        EXPECT_EQ(sandbox.WaitForExit(agent, NAgentSandbox::kPatience), 0);
        EXPECT_NE(sandbox.ReadLog().find(test.line), std::string::npos) << sandbox.ReadLog();
        EXPECT_EQ(sandbox.ReadSlot(kSlot), std::nullopt);
        EXPECT_EQ(sandbox.ReadSlot(kMiniSlot), std::nullopt);
    }

    const uint64_t m_nAnchorTick = NAgentSandbox::CurrentTick() - NAgentSandbox::kTicksBeforeStart;
    const std::string m_strAnchorTick = std::to_string(m_nAnchorTick);
};

TEST_F(AgentArgumentsE2eTest, TickTextsAreReadAsClampedSigned64BitNumbers) {
    const NPublishCase cases[] = {
        {"tick -5, above every counter as unsigned",
         WithTick("-5"),
         {kDateSeconds, UINT64_MAX - 4}},
        {"tick of 25 digits", WithTick("1234567890123456789012345"), {kDateSeconds, INT64_MAX}},
        {"tick of -25 digits",
         WithTick("-1234567890123456789012345"),
         {kDateSeconds, uint64_t{1} << 63}},
        {"tick of 64 KiB digits", WithTick(std::string(k64KiB, '9')), {kDateSeconds, INT64_MAX}},
        {"empty tick", WithTick(""), {kDateSeconds, 0}},
        {"tick without digits", WithTick("abc"), {kDateSeconds, 0}},
        {"tick of invalid UTF-8",
         WithTick("\xff\xfe"
                  "12"),
         {kDateSeconds, 0}},
        {"white space, sign and a tail", WithTick(" \t+" + m_strAnchorTick + "xyz"),
         AnchoredAt(kDateSeconds)},
    };
    for (const NPublishCase& test : cases) {
        ExpectPublished(test);
    }
}

TEST_F(AgentArgumentsE2eTest, DatesOutsideTheAcceptedRangeStartAtOneSecondBefore1970) {
    const NPublishCase cases[] = {
        {"half a day before 1970, less a second", WithDate("1969-12-31 11:59:59"),
         AnchoredAt(kInvalidDateSeconds)},
        {"the earliest date", WithDate("1969-12-31 12:00:00"), AnchoredAt(int64_t{-12} * 3600)},
        {"the latest date", WithDate("3001-01-01 20:59:59"),
         AnchoredAt(SecondsOf(3001, 1, 1, 20, 59, 59))},
        {"a second after the latest date", WithDate("3001-01-01 21:00:00"),
         AnchoredAt(kInvalidDateSeconds)},
        {"month 13 is January of the next year", WithDate("2015-13-01 00:00:00"),
         AnchoredAt(SecondsOf(2016, 1, 1, 0, 0, 0))},
        {"all letters", WithDate("abcdefghijklmnopqrs"), AnchoredAt(kInvalidDateSeconds)},
        {"an invalid UTF-8 byte as separator",
         WithDate("2015-06-01\xff"
                  "09:30:00"),
         AnchoredAt(kDateSeconds)},
        {"a cut UTF-8 sequence in the seconds", WithDate("2015-06-01 09:30:0\xc3"),
         AnchoredAt(kDateSeconds)},
    };
    for (const NPublishCase& test : cases) {
        ExpectPublished(test);
    }
}

TEST_F(AgentArgumentsE2eTest, DatesOfAnotherLengthLeaveTheClockUnanchored) {
    const NPublishCase cases[] = {
        {"empty date", WithDate(""), {kUnanchoredSeconds, 0}},
        {"date of 64 KiB", WithDate(kDate + std::string(k64KiB, '0')), {kUnanchoredSeconds, 0}},
        // Two invalid bytes become two code units: 20 in all.
        {"date with two invalid bytes",
         WithDate("2015-06-01\xff\xff"
                  "09:30:00"),
         {kUnanchoredSeconds, 0}},
    };
    for (const NPublishCase& test : cases) {
        ExpectPublished(test);
    }
}

TEST_F(AgentArgumentsE2eTest, ModeWordsOtherThanMiniAndExtraArgumentsPublishTheNormalEdition) {
    const std::string id = NAgentSandbox::kLaunchId;
    std::vector<std::string> extra = WithTick(m_strAnchorTick);
    extra.insert(extra.end(), {std::string(k64KiB, 'x'), "\xff", ""});
    const NPublishCase cases[] = {
        {"empty mode", Arguments("", id, kDate, m_strAnchorTick), AnchoredAt(kDateSeconds)},
        {"mode of 64 KiB", Arguments(std::string(k64KiB, 'M'), id, kDate, m_strAnchorTick),
         AnchoredAt(kDateSeconds)},
        {"MINI and an invalid byte", Arguments("MINI\xff", id, kDate, m_strAnchorTick),
         AnchoredAt(kDateSeconds)},
        {"three extra arguments", extra, AnchoredAt(kDateSeconds)},
    };
    for (const NPublishCase& test : cases) {
        ExpectPublished(test);
    }
}

TEST_F(AgentArgumentsE2eTest, BadLaunchIdentifiersAndTooFewArgumentsAreRefusedWithExitCodeZero) {
    const std::string id = NAgentSandbox::kLaunchId;
    const char* strange = "[ERROR] q6tsa q6tsa::Main:: arg. id strange.\n";
    const char* tooFew = "[ERROR] q6tsa q6tsa::Main:: arg. count insufficient.\n";
    const NRefusalCase cases[] = {
        {"empty identifier", Arguments("NORMAL", "", kDate, m_strAnchorTick), strange},
        {"identifier of 64 KiB",
         Arguments("NORMAL", std::string(k64KiB, 'B'), kDate, m_strAnchorTick), strange},
        {"identifier and an invalid byte", Arguments("NORMAL", id + "\xff", kDate, m_strAnchorTick),
         strange},
        {"identifier with a byte made invalid",
         Arguments("NORMAL", "\xb5" + id.substr(1), kDate, m_strAnchorTick), strange},
        {"four empty arguments", Arguments("", "", "", ""), strange},
        {"three empty arguments", {"", "", ""}, tooFew},
        {"three arguments of 64 KiB",
         {std::string(k64KiB, 'a'), id, std::string(k64KiB, 'c')},
         tooFew},
    };
    for (const NRefusalCase& test : cases) {
        ExpectRefused(test);
    }
}

}  // namespace

TEST(AgentQuestionsE2eTest, HelpAndVersionAloneAreAnsweredOnStandardOutputWithoutALog) {
    const struct {
        const char* argument;
        const char* answerStart;
    } cases[] = {{"--help", "usage: q6tsa MODE "}, {"--version", "q6tsa "}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.argument);
        NAgentSandbox sandbox;
        NChildOptions options;
        options.vecEnvironment = {"Q6_SHM_NAMESPACE=" + sandbox.Namespace()};
        options.timeout = NAgentSandbox::kPatience;  // an agent that started instead is ended
        const NChildResult result =
            NChildProcess::Run((sandbox.BinFolder() / "q6tsa").string(), {test.argument}, options);
        EXPECT_EQ(result.nExitCode, 0);
        EXPECT_EQ(result.strOut.rfind(test.answerStart, 0), 0u) << result.strOut;
        EXPECT_EQ(result.strErr, "");
        EXPECT_EQ(sandbox.ReadLog(), "");
        EXPECT_EQ(sandbox.ReadSlot(kSlot), std::nullopt);
    }
}
