#pragma once
// The driver's shared control block: while it is there and sound, the
// driver counts as loaded and data slots can be used. Only root makes,
// mends and removes it.

#include <cstdint>
#include <string>

#include "os/result.h"

namespace NControlBlock {

enum class NState { Sound, Missing, Damaged };

// The state of the control block; the system's reason when it cannot be
// told (too many open files, no memory), which says nothing of the block.
NOs::NResult<NState> Check();

// What a data operation needs of the control block: the namespace of the
// process, and the serial (see kept_mappings.h) of the sound control block
// in use in it.
struct NInUse {
    const std::string* pNamespace;
    uint64_t nSerial;
};

// The control block in use; Missing (no such file) and Damaged tell why there
// is none, or the system's reason when its state cannot be told.
NOs::NResult<NInUse> InUse();

// Creates the control block when it is missing.
NOs::NStatus Load();

// Replaces a missing or damaged control block; a sound one is kept.
NOs::NStatus Repair();

// Succeeds when no control block is left; every process that keeps the one
// removed sees that at its next use.
NOs::NStatus Remove();

}  // namespace NControlBlock
