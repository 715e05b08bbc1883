#include "os/result.h"

#include <gtest/gtest.h>

#include <string>
#include <system_error>

namespace {

// A result holds its value, or its reason and no value: an error number and
// an object error convert to an NError, words come as an NReason, and a
// result whose value is text keeps text apart from the reason.
TEST(ResultTest, HoldsAValueOrTheReasonWhyNot) {
    const NOs::NResult<int> value(7);
    ASSERT_TRUE(value);
    EXPECT_EQ(value.Value(), 7);
    EXPECT_FALSE(value.Error());

    const NOs::NResult<int> number(std::errc::no_such_file_or_directory);
    EXPECT_FALSE(number);
    EXPECT_EQ(number.Error(), NOs::NError(std::errc::no_such_file_or_directory));
    const NOs::NStatus object(NOs::NObjectError::Busy);
    EXPECT_FALSE(object);
    EXPECT_EQ(object.Error(), NOs::NObjectError::Busy);

    const NOs::NTextResult<std::string> text(std::string("the value"));
    ASSERT_TRUE(text);
    EXPECT_EQ(text.Value(), "the value");
    const NOs::NTextResult<std::string> words(NOs::NReason("the reason"));
    EXPECT_FALSE(words);
    EXPECT_EQ(words.Error().Message(), "the reason");
    EXPECT_TRUE(NOs::Ok());
    EXPECT_TRUE(NOs::Ok<NOs::NReason>());
}

// A result equals a value only when it succeeded with that value: a failure
// equals none, not even the value a default would give.
TEST(ResultTest, EqualsAValueOnlyAfterASuccessWithThatValue) {
    const NOs::NResult<int> seven(7);
    EXPECT_TRUE(seven == 7);
    EXPECT_TRUE(seven != 8);
    const NOs::NResult<int> failed(std::errc::timed_out);
    EXPECT_FALSE(failed == 0);
    EXPECT_TRUE(failed != 0);
}

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
    NOs::NTextResult<std::string> unsaid(NOs::NReason("no text"));
    EXPECT_DEATH(static_cast<void>(unsaid.Value()), "has_value");
#endif
}

}  // namespace
