#include "os/process_user.h"

#include <windows.h>

#include <vector>

#include "os/win32/windows_handle.h"

namespace NOs {
namespace {

// The token's user, copied out of the token's own SID; an empty SID (no
// sub-authority, authority 0) when the token cannot be read.
NSid CopySid(PSID windowsSid) {
    NSid sid;
    const SID_IDENTIFIER_AUTHORITY* authority = ::GetSidIdentifierAuthority(windowsSid);
    for (size_t i = 0; i < kSidAuthorityBytes; ++i) {
        sid.m_arrAuthority[i] = authority->Value[i];
    }
    const UCHAR count = *::GetSidSubAuthorityCount(windowsSid);
    sid.m_nSubAuthorityCount = count;
    for (UCHAR i = 0; i < count && i < kSidMaxSubAuthorities; ++i) {
        sid.m_arrSubAuthority[i] = *::GetSidSubAuthority(windowsSid, i);
    }
    return sid;
}

}  // namespace

NSid GetProcessUserSid() {
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) == 0) {
        return NSid{};
    }
    const NWindowsHandle owner(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size) == 0) {
        return NSid{};
    }
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    return ::IsValidSid(user->User.Sid) != 0 ? CopySid(user->User.Sid) : NSid{};
}

}  // namespace NOs
