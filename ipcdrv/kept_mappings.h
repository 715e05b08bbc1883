#pragma once
// The mappings of the driver's objects that a process uses, kept for as long
// as the library stays loaded, so that a read or a write costs a few loads
// instead of an open, a map and an unmap.
//
// A kept mapping is used only while it is the object under its name:
//  - the library that replaces or removes an object marks it retired first,
//    and every process sees that at its next use;
//  - an object removed or replaced by anything else (an administrator, a
//    folder removed) is found out by a look at its name at most every
//    kRecheckAfterMs, so within about 60 ms, the clock's coarseness included;
//  - a slot kept under another control block than the one in use now is
//    looked at again at its next use.
// The object that takes a kept mapping's place is mapped at the same address
// in one step, so a thread that still reads there never finds it unmapped
// (and its sequence check tells it that the value changed). Unloading the
// library unmaps every kept mapping.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "ipcdrv/qxipcdll.h"
#include "os/linux/shared_memory.h"
#include "os/result.h"

namespace NKeptMappings {

constexpr uint64_t kRecheckAfterMs = QXIPC_KEPT_RECHECK_MS;

// Marks the object of memory retired (its flag at retiredOffset), for every
// process that keeps it, and removes its name unless that already names
// another object.
NOs::NStatus RetireAndUnlink(NOs::NSharedMemory& memory, size_t retiredOffset);

class NKeptMapping {
public:
    NKeptMapping(uint32_t id, bool writable, size_t retiredOffset);
    ~NKeptMapping() = default;
    NKeptMapping(const NKeptMapping&) = delete;
    NKeptMapping& operator=(const NKeptMapping&) = delete;

    uint32_t Id() const { return m_nId; }
    bool IsWritable() const { return m_bWritable; }

    // The mapped object while it is the object under its name (see above),
    // controlSerial being the serial of the control block in use now; null
    // when it is not, or nothing is mapped yet.
    void* Current(uint64_t controlSerial);

    // Puts memory in the mapping's place and returns its address, which stays
    // the same from the first mapping on.
    void* Replace(std::unique_ptr<NOs::NSharedMemory> memory, uint64_t controlSerial);

    // Changes with every Replace: tells the objects of one mapping apart.
    uint64_t Serial() const { return m_nSerial.load(std::memory_order_acquire); }

    // RetireAndUnlink of the kept object, when one is kept and it is
    // writable.
    NOs::NStatus RetireAndUnlink();

    // No longer uses the kept object: the next use finds the object anew.
    void Forget() { m_bGone.store(true, std::memory_order_release); }

    // Counts a use that found nothing kept; true from the second one on,
    // when keeping the object pays (a process that uses an object once, as
    // the agent does the control block on each cycle, may read it instead).
    bool IsWorthKeeping() { return m_nUnkeptUses.fetch_add(1, std::memory_order_relaxed) > 0; }

private:
    bool IsRetired(void* data) const;
    // A look at the name when one is due; false when it no longer leads here.
    bool LooksStillNamed(uint64_t controlSerial);

    const uint32_t m_nId;
    const bool m_bWritable;
    const size_t m_nRetiredOffset;
    std::mutex m_mutex;  // guards m_pMemory
    std::unique_ptr<NOs::NSharedMemory> m_pMemory;
    std::vector<std::unique_ptr<NOs::NSharedMemory>> m_vecDisplaced;  // guarded by m_mutex
    std::atomic<void*> m_pData{nullptr};
    std::atomic<uint64_t> m_nSerial{0};
    std::atomic<uint64_t> m_nControlSerial{0};
    std::atomic<uint64_t> m_nNextLookMs{0};
    std::atomic<bool> m_bGone{false};
    std::atomic<uint32_t> m_nUnkeptUses{0};
};

// The namespace of the process now, as kept mappings are filed under it
// (read from the environment at every call: a test may change it); null
// when it is invalid.
const std::string* CurrentNamespace();

// The mapping kept for slot id in the namespace, for reading or for
// writing, made empty when there is none yet; null when the namespace is
// null or no more can be kept (the caller then uses a mapping of its own
// once).
NKeptMapping* FindSlot(const std::string* objectNamespace, uint32_t id, bool writable);

// The mapping kept for the namespace's control block, read only; null as
// above.
NKeptMapping* FindControl(const std::string* objectNamespace);

// Forgets every kept mapping of slot id (or of the control block), as after
// it was removed by other means than a retiring library.
void ForgetSlot(uint32_t id);
void ForgetControl();

}  // namespace NKeptMappings
