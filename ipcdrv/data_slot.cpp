#include "ipcdrv/data_slot.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

#include "ipcdrv/kept_mappings.h"
#include "ipcdrv/shm_layout.h"
#include "os/linux/robust_mutex.h"
#include "os/linux/shared_memory.h"
#include "os/linux/shared_word.h"
#include "os/linux/thread_yield.h"
#include "os/named_object_space.h"
#include "os/object_error.h"

namespace NDataSlot {
namespace {

using NIpcShm::NSlotBuffer;
using NIpcShm::NSlotObject;

// A reader gives up when the value changed under every one of these copies;
// a copy fails only when a writer starts on the buffer being copied.
constexpr int kReadAttempts = 1000;
constexpr size_t kWordBytes = sizeof(uint64_t);

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

// Called by a read between taking the value's size and copying it, when a
// test set it.
std::atomic<void (*)()> g_pfnReadPause{nullptr};

// One attempt: false when a writer touched the buffer meanwhile.
bool TakeValue(const NSlotBuffer& buffer, void* target, uint32_t capacity, uint32_t* size) {
    const uint64_t before = buffer.nSeq.load(std::memory_order_acquire);
    if ((before & 1u) != 0) {
        return false;
    }
    *size = std::min<uint32_t>(buffer.nSize.load(std::memory_order_relaxed), QXIPC_MAX_DATA_SIZE);
    if (void (*pause)() = g_pfnReadPause.load(std::memory_order_relaxed)) {
        pause();
    }
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

// A new slot is published with its first value already current.
bool InitSlot(void* data, uint32_t id, const void* value, uint32_t size) {
    auto* slot = static_cast<NSlotObject*>(data);
    slot->nMagic = NIpcShm::kSlotMagic;
    slot->nLayout = NIpcShm::kLayoutVersion;
    slot->nId = id;
    slot->nCapacity = QXIPC_MAX_DATA_SIZE;
    slot->nCurrent.store(0, std::memory_order_relaxed);
    slot->nRetired.store(0, std::memory_order_relaxed);
    PutValue(slot->aBuffers[0], value, size);
    return slot->writeLock.Init();
}

constexpr size_t kRetiredOffset = offsetof(NSlotObject, nRetired);

// A mapping of one slot to use now: the kept one, or, when none can be kept,
// one of its own that goes with it.
class NSlotMapping {
public:
    NSlotMapping(uint32_t id, bool writable, const NControlBlock::NInUse& control)
        : m_pKept(NKeptMappings::FindSlot(control.pNamespace, id, writable)),
          m_nControlSerial(control.nSerial) {}

    // The slot when the kept mapping is still current.
    NSlotObject* Current() const {
        return m_pKept != nullptr ? static_cast<NSlotObject*>(m_pKept->Current(m_nControlSerial))
                                  : nullptr;
    }

    NSlotObject* Use(std::unique_ptr<NOs::NSharedMemory> memory) {
        if (m_pKept != nullptr) {
            return static_cast<NSlotObject*>(m_pKept->Replace(std::move(memory), m_nControlSerial));
        }
        m_pOwn = std::move(memory);
        return static_cast<NSlotObject*>(m_pOwn->GetData());
    }

    // Tells the objects that this process used under the slot's id apart: a
    // slot is either always kept in a process or never (the kept ones are
    // few), so the two kinds of number never meet.
    uint64_t Serial() const {
        if (m_pKept != nullptr) {
            return m_pKept->Serial();
        }
        return m_pOwn != nullptr ? m_pOwn->ObjectNumber() : 0;
    }

    NOs::NStatus RetireAndUnlink() {
        return m_pOwn != nullptr ? NKeptMappings::RetireAndUnlink(*m_pOwn, kRetiredOffset)
                                 : m_pKept->RetireAndUnlink();
    }

private:
    NKeptMappings::NKeptMapping* m_pKept;
    uint64_t m_nControlSerial;
    std::unique_ptr<NOs::NSharedMemory> m_pOwn;
};

bool IsSoundSlot(const NSlotObject& slot, uint32_t id) {
    return slot.nMagic == NIpcShm::kSlotMagic && slot.nLayout == NIpcShm::kLayoutVersion &&
           slot.nId == id && slot.nCapacity == QXIPC_MAX_DATA_SIZE;
}

// Retires and removes a damaged slot so that the next attempt makes a fresh
// one; the error says why this attempt did not write.
NOs::NStatus ReplaceDamaged(NOs::NSharedMemory& memory) {
    if (NOs::NStatus removed = NKeptMappings::RetireAndUnlink(memory, kRetiredOffset); !removed) {
        return removed;
    }
    return NOs::NObjectError::Damaged;
}

// The new value goes into the spare buffer, which then becomes the current
// one; every reader that sleeps on the count of writes wakes up.
void PutCurrent(NSlotObject& slot, const void* data, uint32_t size) {
    const uint32_t writes = slot.nCurrent.load(std::memory_order_relaxed);
    PutValue(slot.aBuffers[(writes & 1u) ^ 1u], data, size);
    slot.nCurrent.store(writes + 1, std::memory_order_release);
    NOs::WakeWordSleepers(slot.nCurrent);
}

// The slot to write, as a fresh mapping: made with the value when missing
// (*written then tells so), opened when it exists and is sound.
// The slot's name in the namespace that the control block was found in.
NOs::NResult<NOs::NObjectName> NameIn(const NControlBlock::NInUse& control, uint32_t id) {
    return control.pNamespace != nullptr ? GetObjectName(*control.pNamespace, id)
                                         : GetObjectName(id);
}

NOs::NResult<std::unique_ptr<NOs::NSharedMemory>> MapForWriting(
    const NControlBlock::NInUse& control, uint32_t id, const void* data, uint32_t size,
    bool* written) {
    const NOs::NResult<NOs::NObjectName> name = NameIn(control, id);
    if (!name) {
        return name.Error();
    }
    const NOs::NShmLayout layout{sizeof(NSlotObject), NIpcShm::kMode};
    bool existed = false;
    NOs::NResult<std::unique_ptr<NOs::NSharedMemory>> memory = NOs::NSharedMemory::Create(
        name.Value(), layout, [&](void* slot) { return InitSlot(slot, id, data, size); }, &existed);
    if (!memory) {
        return memory.Error();
    }
    *written = !existed;
    if (existed && !IsSoundSlot(*static_cast<NSlotObject*>(memory.Value()->GetData()), id)) {
        return ReplaceDamaged(*memory.Value()).Error();
    }
    return memory;
}

NOs::NStatus WriteOnce(uint32_t id, const void* data, uint32_t size,
                       const NControlBlock::NInUse& control) {
    NSlotMapping mapping(id, true, control);
    NSlotObject* slot = mapping.Current();
    if (slot == nullptr || !IsSoundSlot(*slot, id)) {
        bool written = false;
        NOs::NResult<std::unique_ptr<NOs::NSharedMemory>> memory =
            MapForWriting(control, id, data, size, &written);
        if (!memory) {
            return memory.Error();
        }
        slot = mapping.Use(memory.Take());
        if (written) {
            return NOs::Ok();
        }
    }
    // A writer that died holding the lock did not finish its value, which is
    // therefore not current: the slot is consistent as it is. One that was
    // stopped keeps it: this write gives up, the slot stays as it is.
    const NOs::NRobustLock lock(slot->writeLock, QXIPC_WRITE_WAIT_MS);
    if (lock.Result() == NOs::NLockResult::Busy) {
        return NOs::NObjectError::Locked;
    }
    if (!lock.IsLocked()) {
        if (NOs::NStatus removed = mapping.RetireAndUnlink(); !removed) {
            return removed;
        }
        return NOs::NObjectError::Damaged;
    }
    PutCurrent(*slot, data, size);
    return NOs::Ok();
}

// attempt() until it gives a value, at most kReadAttempts times, letting a
// writer go on between attempts; nothing when every attempt met a write.
template <class Attempt>
auto UntilConsistent(Attempt attempt) -> decltype(attempt()) {
    for (int count = 0; count < kReadAttempts; ++count) {
        if (auto value = attempt()) {
            return value;
        }
        NOs::YieldThread();
    }
    return std::nullopt;
}

// The slot to read, sound, or why there is none.
NOs::NResult<NSlotObject*> FindForReading(NSlotMapping& mapping,
                                          const NControlBlock::NInUse& control, uint32_t id) {
    NSlotObject* slot = mapping.Current();
    if (slot == nullptr) {
        const NOs::NResult<NOs::NObjectName> name = NameIn(control, id);
        if (!name) {
            return name.Error();
        }
        NOs::NResult<std::unique_ptr<NOs::NSharedMemory>> memory =
            NOs::NSharedMemory::Open(name.Value(), sizeof(NSlotObject), false);
        if (!memory) {
            return memory.Error();
        }
        slot = mapping.Use(memory.Take());
    }
    if (!IsSoundSlot(*slot, id)) {
        return NOs::NObjectError::Damaged;
    }
    return slot;
}

// The stamp of the slot's current copy, read in one consistent step; serial
// is that of the mapping it was read through. Busy when writers kept
// changing it.
NOs::NResult<uint64_t> StampOf(const NSlotObject& slot, uint64_t serial) {
    const std::optional<uint64_t> stamp = UntilConsistent([&]() -> std::optional<uint64_t> {
        const uint32_t current = slot.nCurrent.load(std::memory_order_acquire) & 1u;
        const uint64_t sequence = slot.aBuffers[current].nSeq.load(std::memory_order_acquire);
        if ((sequence & 1u) != 0 ||
            (slot.nCurrent.load(std::memory_order_acquire) & 1u) != current) {
            return std::nullopt;
        }
        return (serial << kStampSequenceBits) | (((sequence << 1) | current) & kStampSequenceMask);
    });
    if (!stamp) {
        return NOs::NObjectError::Busy;
    }
    return *stamp;
}

}  // namespace

NOs::NResult<NOs::NObjectName> GetObjectName(uint32_t id) {
    const NOs::NResult<std::string> objectNamespace = NOs::GetObjectNamespace();
    if (!objectNamespace) {
        return objectNamespace.Error();
    }
    return GetObjectName(objectNamespace.Value(), id);
}

NOs::NResult<NOs::NObjectName> GetObjectName(const std::string& objectNamespace, uint32_t id) {
    std::string name = "slot.XXXXXXXX";
    for (size_t digit = name.size(); digit > name.size() - 8; --digit, id >>= 4) {
        name[digit - 1] = "0123456789ABCDEF"[id & 0xF];
    }
    return NOs::MakeObjectName(objectNamespace, NOs::NObjectSpace::Machine, NIpcShm::kScope, name);
}

NOs::NStatus Write(uint32_t id, const void* data, uint32_t size,
                   const NControlBlock::NInUse& control) {
    if (size > QXIPC_MAX_DATA_SIZE || (data == nullptr && size != 0)) {
        return std::errc::invalid_argument;
    }
    // A damaged slot is replaced once by a fresh one.
    NOs::NStatus written = WriteOnce(id, data, size, control);
    if (!written && written.Error() == NOs::NObjectError::Damaged) {
        written = WriteOnce(id, data, size, control);
    }
    return written;
}

NOs::NStatus Read(uint32_t id, void* buffer, uint32_t capacity, uint32_t* size,
                  const NControlBlock::NInUse& control) {
    *size = 0;
    NSlotMapping mapping(id, false, control);
    const NOs::NResult<NSlotObject*> found = FindForReading(mapping, control, id);
    if (!found) {
        return found.Error();
    }
    const NSlotObject* slot = found.Value();
    const std::optional<NOs::NStatus> read = UntilConsistent([&]() -> std::optional<NOs::NStatus> {
        const uint32_t current = slot->nCurrent.load(std::memory_order_acquire) & 1u;
        if (!TakeValue(slot->aBuffers[current], buffer, capacity, size)) {
            return std::nullopt;
        }
        return *size <= capacity ? NOs::Ok() : NOs::NStatus(std::errc::no_buffer_space);
    });
    if (!read) {
        *size = 0;
        return NOs::NObjectError::Busy;
    }
    return *read;
}

NOs::NResult<uint64_t> Stamp(uint32_t id, const NControlBlock::NInUse& control) {
    NSlotMapping mapping(id, false, control);
    const NOs::NResult<NSlotObject*> slot = FindForReading(mapping, control, id);
    if (!slot) {
        return slot.Error();
    }
    return StampOf(*slot.Value(), mapping.Serial());
}

NWaitResult WaitForWrite(uint32_t id, uint64_t stamp, uint32_t timeoutMs,
                         const NControlBlock::NInUse& control) {
    NSlotMapping mapping(id, false, control);
    const NOs::NResult<NSlotObject*> found = FindForReading(mapping, control, id);
    if (!found) {
        return NWaitResult::Missing;
    }
    const NSlotObject* slot = found.Value();
    // A write after this load changes the word, so the sleep below cannot
    // miss it.
    const uint32_t writes = slot->nCurrent.load(std::memory_order_acquire);
    const NOs::NResult<uint64_t> now = StampOf(*slot, mapping.Serial());
    if (now && now.Value() != stamp) {
        return NWaitResult::Written;
    }
    return NOs::SleepWhileWordIs(slot->nCurrent, writes, timeoutMs) == NOs::NWordWait::TimedOut
               ? NWaitResult::TimedOut
               : NWaitResult::Woken;
}

NOs::NStatus Remove(uint32_t id) {
    const NOs::NResult<NOs::NObjectName> name = GetObjectName(id);
    if (!name) {
        return name.Error();
    }
    NOs::NResult<std::unique_ptr<NOs::NSharedMemory>> mapped =
        NOs::NSharedMemory::Open(name.Value(), sizeof(NSlotObject), true);
    if (mapped) {
        return NKeptMappings::RetireAndUnlink(*mapped.Value(), kRetiredOffset);
    }
    NKeptMappings::ForgetSlot(id);
    return NOs::RemoveSharedMemory(name.Value());
}

void SetReadPauseForTest(void (*pause)()) { g_pfnReadPause.store(pause); }

}  // namespace NDataSlot
