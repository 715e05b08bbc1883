#include "os/process_user.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>

#include "tests/support/windows_build.h"

namespace {

using NAuthority = std::array<uint8_t, NOs::kSidAuthorityBytes>;

TEST(ProcessUserTest, RootIsLocalSystem) {
    const NOs::NSid sid = NOs::GetUserSid(0);
    EXPECT_EQ(sid.m_nRevision, 1);
    EXPECT_EQ(sid.m_arrAuthority, (NAuthority{0, 0, 0, 0, 0, 5}));
    ASSERT_EQ(sid.m_nSubAuthorityCount, 1);
    EXPECT_EQ(sid.m_arrSubAuthority[0], 18u);
}

TEST(ProcessUserTest, OtherUsersAreUnixUserSids) {
    for (uint32_t uid : {1u, 1000u, 65534u, 4294967294u}) {
        const NOs::NSid sid = NOs::GetUserSid(uid);
        EXPECT_EQ(sid.m_nRevision, 1);
        EXPECT_EQ(sid.m_arrAuthority, (NAuthority{0, 0, 0, 0, 0, 22}));
        ASSERT_EQ(sid.m_nSubAuthorityCount, 2);
        EXPECT_EQ(sid.m_arrSubAuthority[0], 1u);
        EXPECT_EQ(sid.m_arrSubAuthority[1], uid);
        EXPECT_TRUE(NOs::IsValidSid(sid));
    }
}

TEST(ProcessUserTest, ValidityNeedsRevisionOneAndFifteenSubAuthoritiesAtMost) {
    struct NCase {
        uint8_t nRevision;
        uint8_t nCount;
        bool bValid;
    };
    for (const NCase& test : {NCase{1, 0, true}, NCase{1, 15, true}, NCase{1, 16, false},
                              NCase{1, 255, false}, NCase{0, 1, false}, NCase{2, 1, false}}) {
        NOs::NSid sid;
        sid.m_nRevision = test.nRevision;
        sid.m_nSubAuthorityCount = test.nCount;
        EXPECT_EQ(NOs::IsValidSid(sid), test.bValid)
            << "revision " << int{test.nRevision} << ", count " << int{test.nCount};
    }
}

TEST(ProcessUserTest, ProcessUserIsReadAndValid) {
    const NOs::NResult<NOs::NSid> sid = NOs::GetProcessUserSid();
    ASSERT_TRUE(sid) << sid.Error().Message();
    EXPECT_TRUE(NOs::IsValidSid(sid.Value()));
    EXPECT_GT(sid.Value().m_nSubAuthorityCount, 0);
}

// Only the effective uid counts; the real and saved ones may differ.
TEST(ProcessUserTest, ProcessUserIsEffectiveUser) {
    Q6_LINUX_ONLY("a Windows token has no effective uid");
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to change the effective uid";
    }
    EXPECT_EXIT(
        {
            if (::setresuid(0, 65534, 0) != 0) {
                std::_Exit(2);
            }
            const NOs::NResult<NOs::NSid> sid = NOs::GetProcessUserSid();
            const bool bOk = sid && sid.Value().m_nSubAuthorityCount == 2 &&
                             sid.Value().m_arrSubAuthority[1] == 65534u;
            std::_Exit(bOk ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
