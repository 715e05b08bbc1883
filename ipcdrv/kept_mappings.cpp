#include "ipcdrv/kept_mappings.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "ipcdrv/shm_layout.h"
#include "os/linux/fork_handler.h"
#include "os/linux/watched_variable.h"
#include "os/object_name.h"
#include "os/tick_source.h"

namespace NKeptMappings {
namespace {

// Mappings a process keeps at once; beyond that it maps an object for each
// use.
constexpr size_t kMaxKept = 32;
// The control block's mapping, apart from every slot's.
constexpr uint64_t kControlKey = uint64_t{1} << 32;

std::atomic<uint32_t>* RetiredFlag(void* data, size_t offset) {
    return reinterpret_cast<std::atomic<uint32_t>*>(static_cast<char*>(data) + offset);
}

// Every kept mapping of the process: found without a lock, made under one,
// never removed while the library is loaded.
class NRegistry {
public:
    NKeptMapping* FindOrAdd(const std::string* objectNamespace, uint64_t key, bool writable) {
        if (NKeptMapping* kept = Find(objectNamespace, key, writable)) {
            return kept;
        }
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (NKeptMapping* kept = Find(objectNamespace, key, writable)) {
            return kept;
        }
        const size_t count = m_nCount.load(std::memory_order_relaxed);
        if (count == kMaxKept) {
            return nullptr;
        }
        const size_t retiredOffset = key == kControlKey
                                         ? offsetof(NIpcShm::NControlObject, nRetired)
                                         : offsetof(NIpcShm::NSlotObject, nRetired);
        m_aKept[count] = {
            objectNamespace, key,
            std::make_unique<NKeptMapping>(static_cast<uint32_t>(key), writable, retiredOffset)};
        m_nCount.store(count + 1, std::memory_order_release);
        return m_aKept[count].pMapping.get();
    }

    // Forgets the kept mappings of key, in every namespace.
    void Forget(uint64_t key) {
        const size_t count = m_nCount.load(std::memory_order_acquire);
        for (size_t index = 0; index < count; ++index) {
            if (m_aKept[index].nKey == key) {
                m_aKept[index].pMapping->Forget();
            }
        }
    }

    // After a fork the child keeps nothing: it may run as another account,
    // which must not write through its parent's mappings.
    void ForgetAll() {
        const size_t count = m_nCount.load(std::memory_order_acquire);
        for (size_t index = 0; index < count; ++index) {
            m_aKept[index].pMapping->Forget();
        }
    }

private:
    struct NEntry {
        const std::string* pNamespace;
        uint64_t nKey;
        std::unique_ptr<NKeptMapping> pMapping;
    };

    NKeptMapping* Find(const std::string* objectNamespace, uint64_t key, bool writable) const {
        const size_t count = m_nCount.load(std::memory_order_acquire);
        for (size_t index = 0; index < count; ++index) {
            const NEntry& entry = m_aKept[index];
            if (entry.pNamespace == objectNamespace && entry.nKey == key &&
                entry.pMapping->IsWritable() == writable) {
                return entry.pMapping.get();
            }
        }
        return nullptr;
    }

    std::mutex m_mutex;
    std::array<NEntry, kMaxKept> m_aKept;
    std::atomic<size_t> m_nCount{0};
};

bool IsNamespaceValue(std::string_view value) {
    return value.empty() || NOs::IsValidObjectNamespace(std::string(value));
}

// The state below is made at its first use, not when the library is loaded:
// a load that runs no code of the library touches fewer of its pages, and
// each cycle loads it.

// The namespace of the process, looked up at every use (a test may change
// it).
NOs::NWatchedVariable& Namespace() {
    static NOs::NWatchedVariable watched(NOs::kObjectNamespaceVariable, &IsNamespaceValue);
    return watched;
}

// Unmapped when the library goes, and forgotten in a forked child: the
// system forgets the fork handler when the library is unloaded.
NRegistry& Registry() {
    static NRegistry registry;
    static const bool forkHandled = NOs::OnForkChild([] { Registry().ForgetAll(); });
    static_cast<void>(forkHandled);
    return registry;
}

}  // namespace

NOs::NStatus RetireAndUnlink(NOs::NSharedMemory& memory, size_t retiredOffset) {
    RetiredFlag(memory.GetData(), retiredOffset)->store(1, std::memory_order_release);
    return memory.Unlink();
}

NKeptMapping::NKeptMapping(uint32_t id, bool writable, size_t retiredOffset)
    : m_nId(id), m_bWritable(writable), m_nRetiredOffset(retiredOffset) {}

bool NKeptMapping::IsRetired(void* data) const {
    return RetiredFlag(data, m_nRetiredOffset)->load(std::memory_order_acquire) != 0;
}

void* NKeptMapping::Current(uint64_t controlSerial) {
    void* data = m_pData.load(std::memory_order_acquire);
    if (data == nullptr || m_bGone.load(std::memory_order_acquire) || IsRetired(data)) {
        return nullptr;
    }
    return LooksStillNamed(controlSerial) ? data : nullptr;
}

bool NKeptMapping::LooksStillNamed(uint64_t controlSerial) {
    const uint64_t now = NOs::GetCoarseMonotonicMs();
    const bool sameControl = m_nControlSerial.load(std::memory_order_acquire) == controlSerial;
    if (sameControl && now < m_nNextLookMs.load(std::memory_order_acquire)) {
        return true;
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    const bool named = m_pMemory != nullptr && m_pMemory->IsNamed();
    if (!named) {
        m_bGone.store(true, std::memory_order_release);
        return false;
    }
    m_nControlSerial.store(controlSerial, std::memory_order_release);
    m_nNextLookMs.store(now + kRecheckAfterMs, std::memory_order_release);
    return true;
}

void* NKeptMapping::Replace(std::unique_ptr<NOs::NSharedMemory> memory, uint64_t controlSerial) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    // Should the new object not fit the old one's place, the old mapping
    // stays as it is, for threads that may still read it.
    if (m_pMemory != nullptr && !memory->TakePlaceOf(*m_pMemory)) {
        m_vecDisplaced.push_back(std::move(m_pMemory));
    }
    m_pMemory = std::move(memory);
    m_nControlSerial.store(controlSerial, std::memory_order_release);
    m_nNextLookMs.store(NOs::GetCoarseMonotonicMs() + kRecheckAfterMs, std::memory_order_release);
    m_nSerial.fetch_add(1, std::memory_order_acq_rel);
    m_bGone.store(false, std::memory_order_release);
    m_pData.store(m_pMemory->GetData(), std::memory_order_release);
    return m_pMemory->GetData();
}

NOs::NStatus NKeptMapping::RetireAndUnlink() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pMemory == nullptr || !m_bWritable) {
        return NOs::Ok();
    }
    m_bGone.store(true, std::memory_order_release);
    return NKeptMappings::RetireAndUnlink(*m_pMemory, m_nRetiredOffset);
}

const std::string* CurrentNamespace() { return Namespace().Now(); }

NKeptMapping* FindSlot(const std::string* objectNamespace, uint32_t id, bool writable) {
    return objectNamespace != nullptr ? Registry().FindOrAdd(objectNamespace, id, writable)
                                      : nullptr;
}

void ForgetSlot(uint32_t id) { Registry().Forget(id); }

void ForgetControl() { Registry().Forget(kControlKey); }

NKeptMapping* FindControl(const std::string* objectNamespace) {
    return objectNamespace != nullptr ? Registry().FindOrAdd(objectNamespace, kControlKey, false)
                                      : nullptr;
}

}  // namespace NKeptMappings
