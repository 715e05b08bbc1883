// The agent's answers about itself: only "--help" or "--version" alone.

#include "agent/info_request.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "q6tsa_version.h"

namespace {

struct NInfoCase {
    std::vector<std::string> arguments;
    std::optional<std::string> answerStart;  // nothing: no answer, a start
};

TEST(InfoRequestTest, OnlyHelpOrVersionAloneIsAnswered) {
    const NInfoCase cases[] = {
        {{"--help"}, "usage: q6tsa MODE 5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38 \"YYYY-MM-DD"},
        {{"--version"}, "q6tsa " Q6TSA_VERSION "\n"},
        {{}, std::nullopt},
        {{"--help", "--version"}, std::nullopt},
        {{"--version", "5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38", "2015-06-01 09:30:00", "1"},
         std::nullopt},
        {{"-h"}, std::nullopt},
        {{"--HELP"}, std::nullopt},
        {{"--help="}, std::nullopt},
        {{"NORMAL"}, std::nullopt},
    };
    for (const NInfoCase& test : cases) {
        const std::optional<std::string> answer = q6tsa::AnswerInfoRequest(test.arguments);
        ASSERT_EQ(answer.has_value(), test.answerStart.has_value())
            << (test.arguments.empty() ? "(none)" : test.arguments.front());
        if (answer) {
            EXPECT_EQ(answer->rfind(*test.answerStart, 0), 0u) << *answer;
            EXPECT_EQ(answer->back(), '\n');
        }
    }
}

}  // namespace
