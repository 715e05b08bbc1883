#pragma once
// Data slots: writing, reading and removing the value of one slot.

#include <cstdint>
#include <string>

namespace NDataSlot {

enum class NReadResult { Read, TooSmall, Missing, Busy };

// Empty when the namespace is invalid.
std::string GetObjectName(uint32_t id);

// Stores a copy of size bytes (at most QXIPC_MAX_DATA_SIZE) in slot id,
// creating the slot when needed. A slot of another account, or a damaged one,
// is replaced where the system allows it; otherwise the write fails.
bool Write(uint32_t id, const void* data, uint32_t size);

// Copies the current value into buffer when it fits into capacity bytes;
// *size receives its size (0 when Missing). Busy when writers kept changing
// the value during every attempt.
NReadResult Read(uint32_t id, void* buffer, uint32_t capacity, uint32_t* size);

// True when the slot is gone.
bool Remove(uint32_t id);

}  // namespace NDataSlot
