#include "ipcdrv/data_slot.h"

#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "ipcdrv/shm_layout.h"
#include "os/named_object_space.h"
#include "os/object_error.h"
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

// Removes a damaged slot so that the next attempt makes a fresh one; the
// error says why this attempt did not write.
NOs::NStatus ReplaceDamaged(const NOs::NSharedMemory& memory) {
    if (NOs::NStatus removed = memory.Unlink(); !removed) {
        return removed;
    }
    return NOs::NObjectError::Damaged;
}

NOs::NStatus WriteOnce(const NOs::NObjectName& name, uint32_t id, const void* data,
                       uint32_t size) {
    const NOs::NShmLayout layout{sizeof(NSlotObject), NIpcShm::kMode};
    bool existed = false;
    const auto memory = NOs::NSharedMemory::Create(
        name, layout, [&](void* slot) { return InitSlot(slot, id, data, size); }, &existed);
    if (!memory) {
        return memory.Error();
    }
    if (!existed) {
        return NOs::Ok();
    }
    if (!IsSound(*memory.Value(), id)) {
        return ReplaceDamaged(*memory.Value());
    }
    auto* slot = static_cast<NSlotObject*>(memory.Value()->GetData());
    const NWriteLock lock(&slot->writeLock);
    if (!lock.IsLocked()) {
        return ReplaceDamaged(*memory.Value());
    }
    const uint32_t spare = (slot->nCurrent.load(std::memory_order_relaxed) & 1u) ^ 1u;
    PutValue(slot->aBuffers[spare], data, size);
    slot->nCurrent.store(spare, std::memory_order_release);
    return NOs::Ok();
}

}  // namespace

std::optional<NOs::NObjectName> GetObjectName(uint32_t id) {
    std::string name = "slot.XXXXXXXX";
    for (size_t digit = name.size(); digit > name.size() - 8; --digit, id >>= 4) {
        name[digit - 1] = "0123456789ABCDEF"[id & 0xF];
    }
    return NOs::MakeObjectName(NOs::NObjectSpace::Machine, NIpcShm::kScope, name);
}

NOs::NStatus Write(uint32_t id, const void* data, uint32_t size) {
    if (size > QXIPC_MAX_DATA_SIZE || (data == nullptr && size != 0)) {
        return std::errc::invalid_argument;
    }
    const std::optional<NOs::NObjectName> name = GetObjectName(id);
    if (!name) {
        return NOs::NObjectError::BadName;
    }
    // A damaged slot is replaced once by a fresh one.
    NOs::NStatus written = WriteOnce(*name, id, data, size);
    if (!written && written.Error() == NOs::NObjectError::Damaged) {
        written = WriteOnce(*name, id, data, size);
    }
    return written;
}

NReadResult Read(uint32_t id, void* buffer, uint32_t capacity, uint32_t* size) {
    *size = 0;
    const std::optional<NOs::NObjectName> name = GetObjectName(id);
    if (!name) {
        return NReadResult::Missing;
    }
    const auto memory = NOs::NSharedMemory::Open(*name, sizeof(NSlotObject), false);
    if (!memory || !IsSound(*memory.Value(), id)) {
        return NReadResult::Missing;
    }
    const auto* slot = static_cast<const NSlotObject*>(memory.Value()->GetData());
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

NOs::NStatus Remove(uint32_t id) {
    const std::optional<NOs::NObjectName> name = GetObjectName(id);
    return name ? NOs::RemoveSharedMemory(*name) : NOs::NStatus(NOs::NObjectError::BadName);
}

}  // namespace NDataSlot
