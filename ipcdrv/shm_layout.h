#pragma once
// The driver's shared-memory objects, all in the scope "ipc": the control
// block "control" and one object "slot.XXXXXXXX" per data slot (the
// identifier in eight hexadecimal digits).

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "ipcdrv/qxipcdll.h"
#include "os/linux/robust_mutex.h"

namespace NIpcShm {

constexpr char kScope[] = "ipc";
constexpr char kControlName[] = "control";
constexpr uint32_t kLayoutVersion = 2;
constexpr uint32_t kControlMagic = 0x43493651;  // "Q6IC"
constexpr uint32_t kSlotMagic = 0x53493651;     // "Q6IS"
constexpr uint32_t kMode = 0644;                // read by all, written by the owner
constexpr size_t kSlotWords = (QXIPC_MAX_DATA_SIZE + 7) / 8;

// One copy of a slot's value, guarded by a sequence counter: nSeq is odd while
// the copy is being written and grows by 2 with every write, so a reader that
// finds the same even nSeq before and after copying holds an untorn value.
// The value is kept in atomic words so that concurrent copying is defined.
struct NSlotBuffer {
    std::atomic<uint64_t> nSeq;
    std::atomic<uint32_t> nSize;
    uint32_t nReserved;
    std::atomic<uint64_t> aWords[kSlotWords];
};

// A writer fills the spare buffer and then makes it the current one, so the
// current value stays whole even when a writer dies half-way.
struct NSlotObject {
    uint32_t nMagic;
    uint32_t nLayout;
    uint32_t nId;
    uint32_t nCapacity;
    NOs::NRobustMutex writeLock;  // taken by writers only
    // The count of writes, whose lowest bit is the index of the buffer that
    // readers take (a library of this layout that stored the bare index
    // still reads it right). Readers that wait for the next write sleep on
    // it (a futex); each write wakes them all. Like the rest of the slot,
    // only its owner can write it.
    std::atomic<uint32_t> nCurrent;
    // Set by the library that replaces or removes the slot, before it does:
    // every process that keeps it mapped then takes the slot under its name.
    std::atomic<uint32_t> nRetired;
    NSlotBuffer aBuffers[2];
};

struct NControlObject {
    uint32_t nMagic;
    uint32_t nLayout;
    uint32_t nMaxDataSize;
    uint32_t nSlotObjectSize;
    std::atomic<uint32_t> nRetired;  // as the slot's
    uint32_t nReserved;
};

static_assert(std::atomic<uint64_t>::is_always_lock_free, "shared atomics must be lock-free");
static_assert(std::atomic<uint32_t>::is_always_lock_free, "shared atomics must be lock-free");

}  // namespace NIpcShm
