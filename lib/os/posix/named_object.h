#pragma once
// What every named object shares: a header that records its kind, and
// creation and opening with that kind checked.

#include <pthread.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "os/named_object_space.h"
#include "os/shared_memory.h"

namespace NOs {

enum class NObjectKind : uint32_t { Event = 1, Mutex = 2 };

// First member of every object.
struct NObjectHeader {
    uint32_t nMagic;
    uint32_t nKind;
    uint32_t nLayout;
    uint32_t nSize;  // of the whole object
};

// The futex word is the state: 0 non-signalled, anything else signalled.
// Without a lock, a process that dies anywhere leaves the event usable.
struct NEventObject {
    NObjectHeader header;
    uint32_t nManualReset;
    std::atomic<uint32_t> nSignalled;
};
static_assert(std::atomic<uint32_t>::is_always_lock_free, "the futex word must be a plain word");
static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t), "the futex word is 32 bits");

// A robust, process-shared mutex: the system tells the next taker when the
// holder died.
struct NMutexObject {
    NObjectHeader header;
    pthread_mutex_t mutex;
};

namespace NNamedObject {

// Creates the object, size bytes with its header filled in and the rest
// prepared by init, or opens the existing object of that name. Null when the
// name cannot be mapped, holds an object of another kind or a damaged one, or
// the object cannot be made (init returned false).
std::unique_ptr<NSharedMemory> Create(const std::string& name, NObjectKind kind, size_t size,
                                      NObjectAccess access, const std::function<bool(void*)>& init,
                                      bool* existed);

// Opens the existing object of that name and kind; null otherwise.
std::unique_ptr<NSharedMemory> Open(const std::string& name, NObjectKind kind, size_t size);

}  // namespace NNamedObject
}  // namespace NOs
