#include "ipcdrv/data_slot.h"

#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "ipcdrv/shm_layout.h"
#include "os/robust_mutex.h"
#include "os/shared_memory.h"

namespace NDataSlot {
namespace {

using NIpcShm::NSlotBuffer;
using NIpcShm::NSlotObject;

// A reader gives up when the value changed under every one of these copies;
// a copy fails only when a writer starts on the buffer being copied.
constexpr int kReadAttempts = 1000;
constexpr size_t kWordBytes = sizeof(uint64_t);

enum class NWriteResult { Written, Damaged, Failed };

class NWriteLock {
public:
    explicit NWriteLock(pthread_mutex_t* mutex)
        : m_pMutex(mutex), m_eResult(NOs::LockRobustMutex(mutex, false)) {}
    ~NWriteLock() {
        if (IsLocked()) {
            ::pthread_mutex_unlock(m_pMutex);
        }
    }
    NWriteLock(const NWriteLock&) = delete;
    NWriteLock& operator=(const NWriteLock&) = delete;

    // A writer that died holding the lock did not finish its value, which is
    // therefore not current: the slot is consistent as it is.
    bool IsLocked() const { return m_eResult == NOs::NLockResult::Locked; }

private:
    pthread_mutex_t* m_pMutex;
    NOs::NLockResult m_eResult;
};

void PutValue(NSlotBuffer& buffer, const void* data, uint32_t size) {
    // Odd while writing; a writer that died here left it odd already.
    const uint64_t writing = buffer.nSeq.load(std::memory_order_relaxed) | 1u;
    buffer.nSeq.store(writing, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    buffer.nSize.store(size, std::memory_order_relaxed);
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t offset = 0, index = 0; offset < size; offset += kWordBytes, ++index) {
        uint64_t word = 0;
        std::memcpy(&word, bytes + offset, std::min<size_t>(kWordBytes, size - offset));
        buffer.aWords[index].store(word, std::memory_order_relaxed);
    }
    buffer.nSeq.store(writing + 1, std::memory_order_release);
}

// One attempt: false when a writer touched the buffer meanwhile.
bool TakeValue(const NSlotBuffer& buffer, void* target, uint32_t capacity, uint32_t* size) {
    const uint64_t before = buffer.nSeq.load(std::memory_order_acquire);
    if ((before & 1u) != 0) {
        return false;
    }
    *size = std::min<uint32_t>(buffer.nSize.load(std::memory_order_relaxed), QXIPC_MAX_DATA_SIZE);
    if (*size <= capacity) {
        auto* bytes = static_cast<unsigned char*>(target);
        for (size_t offset = 0, index = 0; offset < *size; offset += kWordBytes, ++index) {
            const uint64_t word = buffer.aWords[index].load(std::memory_order_relaxed);
            std::memcpy(bytes + offset, &word, std::min<size_t>(kWordBytes, *size - offset));
        }
    }
    std::atomic_thread_fence(std::memory_order_acquire);
    return buffer.nSeq.load(std::memory_order_relaxed) == before;
}

bool IsSound(const NOs::NSharedMemory& memory, uint32_t id) {
    if (memory.GetSize() != sizeof(NSlotObject)) {
        return false;
    }
    const auto* slot = static_cast<const NSlotObject*>(memory.GetData());
    return slot->nMagic == NIpcShm::kSlotMagic && slot->nLayout == NIpcShm::kLayoutVersion &&
           slot->nId == id && slot->nCapacity == QXIPC_MAX_DATA_SIZE;
}

// A new slot is published with its first value already current.
bool InitSlot(void* data, uint32_t id, const void* value, uint32_t size) {
    auto* slot = static_cast<NSlotObject*>(data);
    slot->nMagic = NIpcShm::kSlotMagic;
    slot->nLayout = NIpcShm::kLayoutVersion;
    slot->nId = id;
    slot->nCapacity = QXIPC_MAX_DATA_SIZE;
    slot->nCurrent.store(0, std::memory_order_relaxed);
    PutValue(slot->aBuffers[0], value, size);
    return NOs::InitRobustMutex(&slot->writeLock);
}

// Removes the slot so that the next attempt makes a fresh one.
NWriteResult ReplaceDamaged(const NOs::NSharedMemory& memory) {
    return memory.Unlink() ? NWriteResult::Damaged : NWriteResult::Failed;
}

NWriteResult WriteOnce(uint32_t id, const void* data, uint32_t size) {
    const NOs::NShmLayout layout{sizeof(NSlotObject), NIpcShm::kMode, NOs::NShmUmask::Ignore,
                                 NOs::NShmOwner::Caller};
    bool existed = false;
    const std::unique_ptr<NOs::NSharedMemory> memory = NOs::NSharedMemory::Create(
        GetObjectName(id), layout, [&](void* slot) { return InitSlot(slot, id, data, size); },
        &existed);
    if (!memory) {
        return NWriteResult::Failed;
    }
    if (!existed) {
        return NWriteResult::Written;
    }
    if (!IsSound(*memory, id)) {
        return ReplaceDamaged(*memory);
    }
    auto* slot = static_cast<NSlotObject*>(memory->GetData());
    const NWriteLock lock(&slot->writeLock);
    if (!lock.IsLocked()) {
        return ReplaceDamaged(*memory);
    }
    const uint32_t spare = (slot->nCurrent.load(std::memory_order_relaxed) & 1u) ^ 1u;
    PutValue(slot->aBuffers[spare], data, size);
    slot->nCurrent.store(spare, std::memory_order_release);
    return NWriteResult::Written;
}

}  // namespace

std::string GetObjectName(uint32_t id) {
    char name[sizeof("slot.XXXXXXXX")];
    std::snprintf(name, sizeof(name), "slot.%08X", static_cast<unsigned>(id));
    return NOs::MakeSharedMemoryName(NIpcShm::kScope, name);
}

bool Write(uint32_t id, const void* data, uint32_t size) {
    if (size > QXIPC_MAX_DATA_SIZE || (data == nullptr && size != 0)) {
        return false;
    }
    // A damaged slot is replaced once by a fresh one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const NWriteResult result = WriteOnce(id, data, size);
        if (result != NWriteResult::Damaged) {
            return result == NWriteResult::Written;
        }
    }
    return false;
}

NReadResult Read(uint32_t id, void* buffer, uint32_t capacity, uint32_t* size) {
    *size = 0;
    const std::unique_ptr<NOs::NSharedMemory> memory =
        NOs::NSharedMemory::Open(GetObjectName(id), false);
    if (!memory || !IsSound(*memory, id)) {
        return NReadResult::Missing;
    }
    const auto* slot = static_cast<const NSlotObject*>(memory->GetData());
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        const uint32_t current = slot->nCurrent.load(std::memory_order_acquire) & 1u;
        if (TakeValue(slot->aBuffers[current], buffer, capacity, size)) {
            return *size <= capacity ? NReadResult::Read : NReadResult::TooSmall;
        }
        ::sched_yield();
    }
    *size = 0;
    return NReadResult::Busy;
}

bool Remove(uint32_t id) { return NOs::RemoveSharedMemory(GetObjectName(id)); }

}  // namespace NDataSlot
