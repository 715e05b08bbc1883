#include "os/named_mutex.h"

#include <utility>

#include "os/posix/named_object.h"
#include "os/robust_mutex.h"

namespace NOs {

namespace {

bool InitMutex(void* data) { return InitRobustMutex(&static_cast<NMutexObject*>(data)->mutex); }

}  // namespace

NNamedMutex::NNamedMutex(std::unique_ptr<NSharedMemory> memory, bool owned, std::string name,
                         NObjectAccess access)
    : m_pMemory(std::move(memory)),
      m_pMutex(static_cast<NMutexObject*>(m_pMemory->GetData())),
      m_bOwned(owned),
      m_strName(std::move(name)),
      m_eAccess(access) {}

NNamedMutex::~NNamedMutex() {
    if (m_bOwned) {
        ::pthread_mutex_unlock(&m_pMutex->mutex);
    }
}

std::unique_ptr<NNamedMutex> NNamedMutex::CreateOwned(const std::string& name, NObjectAccess access,
                                                      bool* alreadyExists) {
    // An unrecoverable mutex is replaced once by a fresh one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool opened = false;
        std::unique_ptr<NSharedMemory> memory = NNamedObject::Create(
            name, NObjectKind::Mutex, sizeof(NMutexObject), access, InitMutex, &opened);
        if (!memory) {
            return nullptr;
        }
        auto* object = static_cast<NMutexObject*>(memory->GetData());
        switch (LockRobustMutex(&object->mutex, true)) {
            case NLockResult::Locked:
                *alreadyExists = false;
                return std::unique_ptr<NNamedMutex>(
                    new NNamedMutex(std::move(memory), true, name, access));
            case NLockResult::Busy:
                *alreadyExists = true;
                return std::unique_ptr<NNamedMutex>(
                    new NNamedMutex(std::move(memory), false, name, access));
            case NLockResult::Unrecoverable:
                if (!memory->Unlink()) {
                    return nullptr;
                }
                break;
            case NLockResult::Failed:
                return nullptr;
        }
    }
    return nullptr;
}

bool NNamedMutex::KeepName() {
    if (!m_bOwned) {
        return false;
    }
    if (m_pMemory->IsNamed()) {
        return true;
    }
    bool alreadyExists = false;
    const std::unique_ptr<NNamedMutex> fresh = CreateOwned(m_strName, m_eAccess, &alreadyExists);
    if (!fresh || !fresh->m_bOwned) {
        return false;
    }
    // The nameless mutex is released, the fresh one kept.
    ::pthread_mutex_unlock(&m_pMutex->mutex);
    std::swap(m_pMemory, fresh->m_pMemory);
    std::swap(m_pMutex, fresh->m_pMutex);
    fresh->m_bOwned = false;
    return true;
}

}  // namespace NOs
