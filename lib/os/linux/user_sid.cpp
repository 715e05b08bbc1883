#include "os/linux/user_sid.h"

#include <initializer_list>

namespace NOs {

namespace {

constexpr uint8_t kNtAuthority = 5;         // S-1-5
constexpr uint32_t kLocalSystemRid = 18;    // S-1-5-18
constexpr uint8_t kUnixUserAuthority = 22;  // S-1-22-1-<uid>, as Samba maps Unix users
constexpr uint32_t kUnixUserRid = 1;

NSid MakeSid(uint8_t authority, std::initializer_list<uint32_t> subAuthorities) {
    NSid sid;
    sid.m_arrAuthority[kSidAuthorityBytes - 1] = authority;
    for (uint32_t subAuthority : subAuthorities) {
        sid.m_arrSubAuthority[sid.m_nSubAuthorityCount++] = subAuthority;
    }
    return sid;
}

}  // namespace

NSid GetUserSid(uint32_t uid) {
    if (uid == 0) {
        return MakeSid(kNtAuthority, {kLocalSystemRid});
    }
    return MakeSid(kUnixUserAuthority, {kUnixUserRid, uid});
}

}  // namespace NOs
