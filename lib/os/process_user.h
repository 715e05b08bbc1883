#pragma once
// The user of this process as a security identifier (SID). (On Linux: the
// effective uid stands for the token user, linux/user_sid.h.)

#include <array>
#include <cstddef>
#include <cstdint>

#include "os/result.h"

namespace NOs {

constexpr uint8_t kSidRevision = 1;
constexpr size_t kSidAuthorityBytes = 6;
constexpr size_t kSidMaxSubAuthorities = 15;

struct NSid {
    uint8_t m_nRevision = kSidRevision;
    uint8_t m_nSubAuthorityCount = 0;
    // A 48-bit number, most significant byte first.
    std::array<uint8_t, kSidAuthorityBytes> m_arrAuthority{};
    std::array<uint32_t, kSidMaxSubAuthorities> m_arrSubAuthority{};
};

// A SID has revision 1 and at most 15 sub-authorities.
inline bool IsValidSid(const NSid& sid) {
    return sid.m_nRevision == kSidRevision && sid.m_nSubAuthorityCount <= kSidMaxSubAuthorities;
}

// The SID of the process's user (on Linux: its effective user); the reason
// when the process token cannot be read.
NResult<NSid> GetProcessUserSid();

}  // namespace NOs
