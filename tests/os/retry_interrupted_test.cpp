#include "os/linux/retry_interrupted.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

namespace {

// One answer of a system call: its result and the errno it leaves.
struct NAnswer {
    int nResult;
    int nErrno;
};

struct NRetryCase {
    const char* pszName;
    std::vector<NAnswer> answers;
    int nExpectedResult;
    int nExpectedErrno;
    size_t nExpectedCalls;
};

class RetryInterruptedTest : public testing::TestWithParam<NRetryCase> {};

TEST_P(RetryInterruptedTest, CallsAgainOnlyWhileInterrupted) {
    const NRetryCase& tested = GetParam();
    size_t calls = 0;
    const int result = NOs::RetryInterrupted([&] {
        const NAnswer& answer = tested.answers.at(calls++);
        errno = answer.nErrno;
        return answer.nResult;
    });
    EXPECT_EQ(result, tested.nExpectedResult);
    EXPECT_EQ(errno, tested.nExpectedErrno);
    EXPECT_EQ(calls, tested.nExpectedCalls);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RetryInterruptedTest,
    testing::Values(
        NRetryCase{"SuccessAtOnce", {{7, 0}}, 7, 0, 1},
        NRetryCase{"ZeroIsASuccess", {{0, EINTR}}, 0, EINTR, 1},
        NRetryCase{"OtherErrorAtOnce", {{-1, EAGAIN}}, -1, EAGAIN, 1},
        NRetryCase{"InterruptedThenSuccess", {{-1, EINTR}, {-1, EINTR}, {3, 0}}, 3, 0, 3},
        NRetryCase{"InterruptedThenOtherError", {{-1, EINTR}, {-1, EBADF}}, -1, EBADF, 2}),
    [](const testing::TestParamInfo<NRetryCase>& answers) { return answers.param.pszName; });

}  // namespace
