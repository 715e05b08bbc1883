// The two questions on the release, asked over a platform version of the
// test's choosing: this test builds the version query with a stand-in for
// the platform's version source.

#include <gtest/gtest.h>

#include "base/version.h"
#include "os/version_source.h"

namespace {

NOs::NPlatformVersion g_reported{};

}  // namespace

NOs::NPlatformVersion NOs::GetPlatformVersion() { return g_reported; }

namespace {

TEST(VersionQuestionsTest, AnswerByTheClassOfTheReportedRelease) {
    struct NCase {
        uint32_t nPlatformId;
        uint32_t nMajor;
        uint32_t nMinor;
        int nClass;
        bool bXPOrLater;
        bool bVistaOrLater;
    };
    const NCase cases[] = {
        {1, 10, 0, kVersionUnknown, false, false},  // not of the NT family
        {kPlatformNt, 4, 0, kVersionUnknown, false, false},
        {kPlatformNt, 5, 0, 1, false, false},
        {kPlatformNt, 5, 1, 2, true, false},
        {kPlatformNt, 5, 2, 3, true, false},
        {kPlatformNt, 6, 0, 4, true, true},
        {kPlatformNt, 6, 3, 7, true, true},
        {kPlatformNt, 10, 0, 8, true, true},
        {kPlatformNt, 6, 4, kVersionUnlisted, true, true},
        {kPlatformNt, 11, 0, kVersionUnlisted, true, true},
    };
    for (const NCase& test : cases) {
        g_reported = NOs::NPlatformVersion{test.nPlatformId, test.nMajor, test.nMinor, 0};
        SCOPED_TRACE(testing::Message() << "platform " << test.nPlatformId << ", " << test.nMajor
                                        << "." << test.nMinor);
        EXPECT_EQ(GetWindowsVersionClass(), test.nClass);
        EXPECT_EQ(IsXPOrLater(), test.bXPOrLater);
        EXPECT_EQ(IsVistaOrLater(), test.bVistaOrLater);
    }
}

}  // namespace
