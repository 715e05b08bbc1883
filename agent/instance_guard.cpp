#include "agent/instance_guard.h"

#include <utility>

namespace q6tsa {

NInstanceGuard::NInstanceGuard(std::string name)
    : m_strName(std::move(name)), m_report(u"the instance mutex") {}

NInstanceGuard::NHold NInstanceGuard::Take() {
    const NOs::NResult<bool> held = TakeOrMake();
    if (!held) {
        m_report.Missing(held.Error());
        return NHold::Missing;
    }
    m_report.Present();
    return held.Value() ? NHold::Held : NHold::HeldByAnother;
}

NOs::NResult<bool> NInstanceGuard::TakeOrMake() {
    if (m_pMutex) {
        return m_pMutex->Retake();
    }
    bool alreadyExists = false;
    NOs::NResult<std::unique_ptr<NOs::NNamedMutex>> created =
        NOs::NNamedMutex::CreateOwned(m_strName, &alreadyExists);
    if (!created) {
        return created.Error();
    }
    m_pMutex = created.Take();
    return !alreadyExists;
}

}  // namespace q6tsa
