#pragma once
// Data slots: writing, reading and removing the value of one slot. Every
// account reads the slots; only root writes and removes them. The mappings
// are kept while the library is loaded (kept_mappings.h), under the control
// block in use (NControlBlock::InUse).

#include <cstdint>
#include <string>

#include "ipcdrv/control_block.h"
#include "os/object_name.h"
#include "os/result.h"

namespace NDataSlot {

enum class NWaitResult { Written, Woken, TimedOut, Missing };

// A stamp: the serial of the slot's kept mapping in its top bits, and the
// current copy's sequence with its index below.
constexpr int kStampSequenceBits = 40;
constexpr uint64_t kStampSequenceMask = (uint64_t{1} << kStampSequenceBits) - 1;

// BadName when the namespace of the process is invalid.
NOs::NResult<NOs::NObjectName> GetObjectName(uint32_t id);
// The same in a namespace given (valid).
NOs::NResult<NOs::NObjectName> GetObjectName(const std::string& objectNamespace, uint32_t id);

// Stores a copy of size bytes (at most QXIPC_MAX_DATA_SIZE) in slot id,
// creating the slot when needed; a damaged slot, or whatever else stands
// under its name, is replaced.
NOs::NStatus Write(uint32_t id, const void* data, uint32_t size,
                   const NControlBlock::NInUse& control);

// Copies the current value into buffer when it fits into capacity bytes;
// *size receives its size, also when it does not fit (no buffer space).
// Otherwise *size is 0 and the reason says why: the slot is missing or
// cannot be used, or Busy when writers kept changing the value during every
// attempt.
NOs::NStatus Read(uint32_t id, void* buffer, uint32_t capacity, uint32_t* size,
                  const NControlBlock::NInUse& control);

// A number that changes whenever the slot comes to hold another value, read
// in one consistent step without copying the value; within this process, and
// while the library stays loaded, it never comes back. No such file when the
// slot is missing, Busy when writers kept changing it.
NOs::NResult<uint64_t> Stamp(uint32_t id, const NControlBlock::NInUse& control);

// Sleeps at most timeoutMs while slot id holds the value of stamp (a value
// that Stamp gave): Written when it holds another one already, Missing at
// once when there is no slot. Woken says only that the sleep ended early,
// perhaps for nothing: any account may wake the sleepers, or move them to a
// word of its own so that a write no longer wakes them, so a caller that must
// not miss a write sleeps in short steps and looks again after each.
NWaitResult WaitForWrite(uint32_t id, uint64_t stamp, uint32_t timeoutMs,
                         const NControlBlock::NInUse& control);

// Succeeds when the slot is gone; every process that keeps it sees that at
// its next use.
NOs::NStatus Remove(uint32_t id);

// Test seam: pause is called by every read after it took the value's size
// and before it copies the value and checks that no writer changed either
// meanwhile; null (as in the library) for none.
void SetReadPauseForTest(void (*pause)());

}  // namespace NDataSlot
