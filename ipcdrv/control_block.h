#pragma once
// The driver's shared control block: while it is there and sound, the
// driver counts as loaded and data slots can be used.

#include <string>

namespace NControlBlock {

enum class NState { Sound, Missing, Damaged };

std::string GetObjectName();

NState Check();

// Creates the control block when it is missing; true when it is sound.
bool Load();

// Replaces a missing or damaged control block; true when a sound one is in
// place afterwards.
bool Repair();

// True when no control block is left.
bool Remove();

}  // namespace NControlBlock
