#include "os/process_user.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

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

}  // namespace
