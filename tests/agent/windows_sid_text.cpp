#include "windows_sid_text.h"

#include <windows.h>
// windows.h first: sddl.h builds on it.
#include <sddl.h>

#include <vector>

std::optional<std::u16string> WindowsSidText(const NOs::NSid& sid) {
    SID_IDENTIFIER_AUTHORITY authority{};
    for (size_t i = 0; i < NOs::kSidAuthorityBytes; ++i) {
        authority.Value[i] = sid.m_arrAuthority[i];
    }
    std::vector<unsigned char> storage(::GetSidLengthRequired(sid.m_nSubAuthorityCount));
    PSID windowsSid = storage.data();
    if (::InitializeSid(windowsSid, &authority, sid.m_nSubAuthorityCount) == 0) {
        return std::nullopt;
    }
    for (UCHAR i = 0; i < sid.m_nSubAuthorityCount; ++i) {
        *::GetSidSubAuthority(windowsSid, i) = sid.m_arrSubAuthority[i];
    }
    LPWSTR text = nullptr;
    if (::ConvertSidToStringSidW(windowsSid, &text) == 0) {
        return std::nullopt;
    }
    std::u16string result(text);
    ::LocalFree(text);
    return result;
}
