// The SID of a Linux account, and the one that stands for the process.

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>

#include "os/linux/user_sid.h"
#include "os/process_user.h"

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

// Only the effective uid counts; the real and saved ones may differ.
TEST(ProcessUserTest, ProcessUserIsEffectiveUser) {
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
