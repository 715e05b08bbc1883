// The user of a Windows access token, and the handles that are no token.
#include "os/win32/token_user.h"

#include <gtest/gtest.h>

#include <array>

#include "os/win32/windows_handle.h"

namespace {

TEST(TokenUserTest, ProcessTokenGivesAnAccountOfTheNtAuthority) {
    HANDLE token = nullptr;
    ASSERT_NE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token), 0);
    const NOs::NWindowsHandle owner(token);
    const NOs::NResult<NOs::NSid> sid = NOs::GetTokenUserSid(token);
    ASSERT_TRUE(sid) << sid.Error().Message();
    EXPECT_TRUE(NOs::IsValidSid(sid.Value()));
    EXPECT_EQ(sid.Value().m_arrAuthority,
              (std::array<uint8_t, NOs::kSidAuthorityBytes>{0, 0, 0, 0, 0, 5}));
}

TEST(TokenUserTest, HandlesThatAreNoTokenGiveTheReason) {
    const NOs::NWindowsHandle event(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    ASSERT_TRUE(event.IsValid());
    struct NCase {
        const char* pszName;
        HANDLE handle;
    };
    for (const NCase& test : {NCase{"null", nullptr}, NCase{"event", event.Get()},
                              NCase{"process", ::GetCurrentProcess()}}) {
        const NOs::NResult<NOs::NSid> sid = NOs::GetTokenUserSid(test.handle);
        EXPECT_FALSE(sid) << test.pszName;
        EXPECT_TRUE(sid.Error()) << test.pszName;
    }
}

}  // namespace
