#include "agent/missing_object_report.h"

#include "base/text_convert.h"
#include "log/log_front.h"

namespace q6tsa {

void NMissingObjectReport::Missing(const NOs::NError& reason) {
    if (!m_bMissing) {
        WriteLog(kLogError, u"q6tsa::Main: %s is missing: %s", m_pwszWhat,
                 NUtf::ToUtf16(reason.Message()).c_str());
        m_bMissing = true;
    }
}

void NMissingObjectReport::Present() {
    if (m_bMissing) {
        WriteLog(kLogInfo, u"q6tsa::Main: %s is back.", m_pwszWhat);
        m_bMissing = false;
    }
}

}  // namespace q6tsa
