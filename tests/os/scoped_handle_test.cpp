#include "os/scoped_handle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// Handles are numbers; 0 owns nothing, and every close is recorded.
std::vector<int> g_closed;

struct NCountedTraits {
    using Handle = int;
    static int None() { return 0; }
    static bool IsValid(int handle) { return handle != 0; }
    static void Close(int handle) { g_closed.push_back(handle); }
};

using NCountedHandle = NOs::NScopedHandle<NCountedTraits>;

class ScopedHandleTest : public testing::Test {
protected:
    void SetUp() override { g_closed.clear(); }
};

TEST_F(ScopedHandleTest, ClosesOnceWhenItGoesOutOfScope) {
    {
        const NCountedHandle owner(5);
        EXPECT_TRUE(owner.IsValid());
        EXPECT_EQ(owner.Get(), 5);
    }
    EXPECT_EQ(g_closed, std::vector<int>{5});
}

TEST_F(ScopedHandleTest, AnEmptyOwnerClosesNothing) {
    {
        const NCountedHandle owner;
        EXPECT_FALSE(owner.IsValid());
    }
    { const NCountedHandle owner(0); }
    EXPECT_TRUE(g_closed.empty());
}

TEST_F(ScopedHandleTest, AMoveHandsTheHandleOverAndClosesItOnce) {
    {
        NCountedHandle first(5);
        NCountedHandle second(std::move(first));
        EXPECT_FALSE(first.IsValid());  // NOLINT(bugprone-use-after-move): moved-from is empty
        EXPECT_EQ(second.Get(), 5);
        EXPECT_TRUE(g_closed.empty());
    }
    EXPECT_EQ(g_closed, std::vector<int>{5});
}

TEST_F(ScopedHandleTest, AMoveAssignmentClosesTheHandleItReplaces) {
    {
        NCountedHandle target(4);
        NCountedHandle source(5);
        target = std::move(source);
        EXPECT_EQ(g_closed, std::vector<int>{4});
        EXPECT_EQ(target.Get(), 5);
        auto& self = target;
        target = std::move(self);
        EXPECT_EQ(target.Get(), 5);
    }
    EXPECT_EQ(g_closed, (std::vector<int>{4, 5}));
}

TEST_F(ScopedHandleTest, ReleaseGivesTheHandleUpWithoutClosingIt) {
    {
        NCountedHandle owner(5);
        EXPECT_EQ(owner.Release(), 5);
        EXPECT_FALSE(owner.IsValid());
    }
    EXPECT_TRUE(g_closed.empty());
}

TEST_F(ScopedHandleTest, ResetClosesTheOldHandleAndTakesTheNew) {
    NCountedHandle owner(4);
    owner.Reset(5);
    EXPECT_EQ(g_closed, std::vector<int>{4});
    EXPECT_EQ(owner.Get(), 5);
    owner.Reset();
    EXPECT_EQ(g_closed, (std::vector<int>{4, 5}));
    EXPECT_FALSE(owner.IsValid());
}

}  // namespace
