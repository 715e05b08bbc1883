// A watched variable follows every way of changing the environment, and
// tells values apart by address.

#include "os/linux/watched_variable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr char kName[] = "Q6_WATCHED_TEST";

bool IsShort(std::string_view value) { return value.size() <= 8; }

std::string ValueOf(const std::string* value) { return value != nullptr ? *value : "<null>"; }

class WatchedVariableTest : public ::testing::Test {
protected:
    void SetUp() override { ::unsetenv(kName); }
    void TearDown() override { ::unsetenv(kName); }

    NOs::NWatchedVariable m_variable{kName, &IsShort};
};

TEST_F(WatchedVariableTest, FollowsSetenvPutenvAndUnsetenv) {
    EXPECT_EQ(ValueOf(m_variable.Now()), "");
    ASSERT_EQ(::setenv(kName, "one", 1), 0);
    EXPECT_EQ(ValueOf(m_variable.Now()), "one");
    ASSERT_EQ(::setenv(kName, "two", 1), 0);
    EXPECT_EQ(ValueOf(m_variable.Now()), "two");

    static char entry[] = "Q6_WATCHED_TEST=three";
    ASSERT_EQ(::putenv(entry), 0);
    EXPECT_EQ(ValueOf(m_variable.Now()), "three");
    ASSERT_EQ(::unsetenv(kName), 0);
    EXPECT_EQ(ValueOf(m_variable.Now()), "");

    // Another variable added after the end of the environment changes nothing.
    ASSERT_EQ(::setenv("Q6_WATCHED_OTHER", "x", 1), 0);
    EXPECT_EQ(ValueOf(m_variable.Now()), "");
    ASSERT_EQ(::setenv(kName, "four", 1), 0);
    ASSERT_EQ(::unsetenv("Q6_WATCHED_OTHER"), 0);
    EXPECT_EQ(ValueOf(m_variable.Now()), "four");
}

TEST_F(WatchedVariableTest, TheSameValueIsTheSameObjectAndInvalidOnesAreNull) {
    ASSERT_EQ(::setenv(kName, "one", 1), 0);
    const std::string* first = m_variable.Now();
    ASSERT_EQ(::setenv(kName, "two", 1), 0);
    const std::string* second = m_variable.Now();
    ASSERT_EQ(::setenv(kName, "one", 1), 0);
    EXPECT_EQ(m_variable.Now(), first);
    EXPECT_NE(first, second);

    ASSERT_EQ(::setenv(kName, "much too long", 1), 0);
    EXPECT_EQ(m_variable.Now(), nullptr);
}

TEST_F(WatchedVariableTest, NoMoreThanItsLimitOfValuesIsKept) {
    for (size_t index = 0; index + 1 < NOs::NWatchedVariable::kMaxValues; ++index) {
        ASSERT_EQ(::setenv(kName, std::to_string(index).c_str(), 1), 0);
        ASSERT_EQ(ValueOf(m_variable.Now()), std::to_string(index));
    }
    ASSERT_EQ(::unsetenv(kName), 0);
    EXPECT_EQ(ValueOf(m_variable.Now()), "");  // the last one kept
    ASSERT_EQ(::setenv(kName, "beyond", 1), 0);
    EXPECT_EQ(m_variable.Now(), nullptr);
    ASSERT_EQ(::setenv(kName, "0", 1), 0);
    EXPECT_EQ(ValueOf(m_variable.Now()), "0");
}

}  // namespace
