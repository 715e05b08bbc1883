#pragma once
// The driver's shared control block: while it is there and sound, the
// driver counts as loaded and data slots can be used. Only root makes,
// mends and removes it.

#include "os/result.h"

namespace NControlBlock {

enum class NState { Sound, Missing, Damaged };

NState Check();

// Creates the control block when it is missing.
NOs::NStatus Load();

// Replaces a missing or damaged control block; a sound one is kept.
NOs::NStatus Repair();

// Succeeds when no control block is left.
NOs::NStatus Remove();

}  // namespace NControlBlock
