#include "os/result.h"

#include <gtest/gtest.h>

#include <system_error>

namespace {

// Reading the value of a failure is a fault of the caller: a debug build
// stops there instead of reading what is not there.
TEST(ResultDeathTest, TheValueOfAFailureStopsADebugBuild) {
#ifdef NDEBUG
    GTEST_SKIP() << "assertions are compiled out of this build";
#else
    NOs::NResult<int> failed(std::errc::no_such_file_or_directory);
    const NOs::NResult<int>& constFailed = failed;
    EXPECT_DEATH(static_cast<void>(failed.Value()), "has_value");
    EXPECT_DEATH(static_cast<void>(constFailed.Value()), "has_value");
    EXPECT_DEATH(static_cast<void>(failed.Take()), "has_value");
#endif
}

}  // namespace
