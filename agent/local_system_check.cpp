#include "agent/local_system_check.h"

#include <cerrno>
#include <cstddef>
#include <string_view>

#include "base/format.h"
#include "base/version.h"
#include "log/log_front.h"

namespace {

constexpr uint32_t kSidTextUnits = 1024;
constexpr std::u16string_view kLocalSystemSid = u"S-1-5-18";

// The capacity a SID's text asks for: 56 + 24 per sub-authority.
constexpr uint32_t kSidTextBaseCapacity = 56;
constexpr uint32_t kSidTextCapacityPerSubAuthority = 24;
// The text always starts with S-1-, whatever the SID's revision byte.
constexpr uint32_t kSidTextRevision = 1;

// Appends formatted text after what it wrote so far, never past capacity.
class NSidTextWriter {
public:
    NSidTextWriter(char16_t* text, size_t capacity) : m_pText(text), m_nCapacity(capacity) {}

    template <class... T>
    void Append(const char16_t* format, const T&... args) {
        m_nLength += NFormat::Print(m_pText + m_nLength, m_nCapacity - m_nLength, format, args...);
    }

private:
    char16_t* m_pText;
    size_t m_nCapacity;
    size_t m_nLength = 0;
};

void AppendAuthority(NSidTextWriter& writer, const NOs::NSid& sid) {
    const auto& bytes = sid.m_arrAuthority;
    if (bytes[0] != 0 || bytes[1] != 0) {
        writer.Append(u"0x%02hx%02hx%02hx%02hx%02hx%02hx", bytes[0], bytes[1], bytes[2], bytes[3],
                      bytes[4], bytes[5]);
        return;
    }
    const uint32_t value = (uint32_t{bytes[2]} << 24) | (uint32_t{bytes[3]} << 16) |
                           (uint32_t{bytes[4]} << 8) | uint32_t{bytes[5]};
    writer.Append(u"%lu", value);
}

}  // namespace

int GetTextualSid(const NOs::NSid* sid, char16_t* text, uint32_t* capacity) {
    if (sid == nullptr || text == nullptr || capacity == nullptr || !NOs::IsValidSid(*sid)) {
        return 0;
    }
    const uint32_t needed =
        kSidTextBaseCapacity + kSidTextCapacityPerSubAuthority * sid->m_nSubAuthorityCount;
    if (*capacity < needed) {
        *capacity = needed;
        errno = ERANGE;
        return 0;
    }
    NSidTextWriter writer(text, *capacity);
    writer.Append(u"S-%lu-", kSidTextRevision);
    AppendAuthority(writer, *sid);
    for (size_t i = 0; i < sid->m_nSubAuthorityCount; ++i) {
        writer.Append(u"-%lu", sid->m_arrSubAuthority[i]);
    }
    return 1;
}

int IsLocalSystemUser(const NOs::NResult<NOs::NSid>& userSid) {
    if (!userSid) {
        return 0;
    }
    char16_t text[kSidTextUnits] = {};
    uint32_t capacity = kSidTextUnits;
    if (GetTextualSid(&userSid.Value(), text, &capacity) == 0) {
        WriteLog(kLogError, u"GetTextualSid() Fail");
        return 0;
    }
    WriteLog(kLogInfo, u"isRunByLoaclSystem() Process Token User SID : %s", text);
    return kLocalSystemSid == text ? 1 : 0;
}

int isRunByLoaclSystem() {
    if (!IsXPOrLater()) {
        return 1;  // releases before XP are not checked
    }
    return IsLocalSystemUser(NOs::GetProcessUserSid());
}
