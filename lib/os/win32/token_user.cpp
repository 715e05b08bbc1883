#include "os/win32/token_user.h"

#include <vector>

#include "os/win32/windows_error.h"

namespace NOs {
namespace {

// The fields that IsValidSid checks come from the SID itself; the rest only
// from a valid SID, through the SID functions.
NSid CopySid(PSID windowsSid) {
    const SID* header = static_cast<const SID*>(windowsSid);
    NSid sid;
    sid.m_nRevision = header->Revision;
    sid.m_nSubAuthorityCount = header->SubAuthorityCount;
    if (::IsValidSid(windowsSid) == 0) {
        return sid;
    }
    const SID_IDENTIFIER_AUTHORITY* authority = ::GetSidIdentifierAuthority(windowsSid);
    for (size_t i = 0; i < kSidAuthorityBytes; ++i) {
        sid.m_arrAuthority[i] = authority->Value[i];
    }
    for (UCHAR i = 0; i < sid.m_nSubAuthorityCount; ++i) {
        sid.m_arrSubAuthority[i] = *::GetSidSubAuthority(windowsSid, i);
    }
    return sid;
}

}  // namespace

NResult<NSid> GetTokenUserSid(HANDLE token) {
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0) {
        return LastWindowsError();
    }
    std::vector<unsigned char> buffer(size);
    if (::GetTokenInformation(token, TokenUser, buffer.data(), size, &size) == 0) {
        return LastWindowsError();
    }
    return CopySid(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid);
}

}  // namespace NOs
