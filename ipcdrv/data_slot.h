#pragma once
// Data slots: writing, reading and removing the value of one slot. Every
// account reads the slots; only root writes and removes them.

#include <cstdint>
#include <optional>

#include "os/object_name.h"
#include "os/result.h"

namespace NDataSlot {

enum class NReadResult { Read, TooSmall, Missing, Busy };

// Nothing when the namespace is invalid.
std::optional<NOs::NObjectName> GetObjectName(uint32_t id);

// Stores a copy of size bytes (at most QXIPC_MAX_DATA_SIZE) in slot id,
// creating the slot when needed; a damaged slot, or whatever else stands
// under its name, is replaced.
NOs::NStatus Write(uint32_t id, const void* data, uint32_t size);

// Copies the current value into buffer when it fits into capacity bytes;
// *size receives its size (0 when Missing). Busy when writers kept changing
// the value during every attempt.
NReadResult Read(uint32_t id, void* buffer, uint32_t capacity, uint32_t* size);

// Succeeds when the slot is gone.
NOs::NStatus Remove(uint32_t id);

}  // namespace NDataSlot
