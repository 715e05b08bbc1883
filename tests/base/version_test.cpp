#include "base/version.h"

#include <gtest/gtest.h>

namespace {

NVersionFacts Nt(uint32_t major, uint32_t minor) {
    NVersionFacts facts;
    facts.platformId = kPlatformNt;
    facts.basicMajor = major;
    facts.hasRtlVersion = true;
    facts.major = major;
    facts.minor = minor;
    return facts;
}

TEST(VersionTest, ClassifiesEveryRowOfTheTable) {
    struct Case {
        uint32_t major;
        uint32_t minor;
        int expected;
    };
    const Case cases[] = {
        {5, 0, 1}, {5, 1, 2},  {5, 2, 3},  {6, 0, 4},   {6, 1, 5},   {6, 2, 6},
        {6, 3, 7}, {10, 0, 8}, {6, 4, 99}, {11, 0, 99}, {10, 1, 99}, {5, 3, 99},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(ClassifyWindowsVersion(Nt(test.major, test.minor)), test.expected)
            << test.major << "." << test.minor;
    }
}

TEST(VersionTest, UnknownSystemsAreClassMinusOne) {
    NVersionFacts notNt = Nt(10, 0);
    notNt.platformId = 1;
    EXPECT_EQ(ClassifyWindowsVersion(notNt), kVersionUnknown);

    NVersionFacts ntFour = Nt(4, 0);
    EXPECT_EQ(ClassifyWindowsVersion(ntFour), kVersionUnknown);

    NVersionFacts noRtl = Nt(10, 0);
    noRtl.hasRtlVersion = false;
    EXPECT_EQ(ClassifyWindowsVersion(noRtl), kVersionUnknown);

    // The basic query decides the family; the detailed one the class.
    NVersionFacts mixed = Nt(6, 1);
    mixed.basicMajor = 4;
    EXPECT_EQ(ClassifyWindowsVersion(mixed), kVersionUnknown);
}

TEST(VersionTest, LinuxAnswersAsWindowsTen) {
    uint32_t major = 0, minor = 0, build = 0, spMajor = 7, spMinor = 7;
    ASSERT_TRUE(GetRtlVersion(major, minor, build, spMajor, spMinor));
    EXPECT_EQ(major, 10u);
    EXPECT_EQ(minor, 0u);
    EXPECT_EQ(spMajor, 0u);
    EXPECT_EQ(GetWindowsVersionClass(), 8);
    EXPECT_TRUE(IsXPOrLater());
    EXPECT_TRUE(IsVistaOrLater());
}

}  // namespace
