// The exports of qxipcdll.dll. Nothing thrown inside may cross the C
// boundary: an exception counts as a failure.

#include "ipcdrv/qxipcdll.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "ipcdrv/control_block.h"
#include "ipcdrv/data_slot.h"
#include "ipcdrv/shm_layout.h"
#include "os/linux/shared_memory.h"
#include "os/named_object_space.h"
#include "os/tick_source.h"
#include "q6tsa_version.h"

namespace {

std::atomic<int32_t> g_nDebugLevel{0};

// The calling thread's last failure, for fnGetIpcLastError. Plain storage: a
// thread-local object with a destructor would keep the library loaded.
constexpr size_t kLastErrorBytes = 256;
thread_local char g_szLastError[kLastErrorBytes];

// Keeps the failure for fnGetIpcLastError and reports it when asked to;
// always 0, the failure result.
int32_t Report(const std::string& text) {
    std::snprintf(g_szLastError, sizeof(g_szLastError), "%s", text.c_str());
    if (g_nDebugLevel.load() > 0) {
        std::fprintf(stderr, "qxipcdll: %s\n", text.c_str());
    }
    return 0;
}

int32_t Failure(const char* function, const std::string& reason) {
    return Report(std::string(function) + ": " + reason);
}

// "what: why", for a failure whose reason the system told.
std::string Because(const char* what, const NOs::NStatus& status) {
    return std::string(what) + ": " + status.Error().Message();
}

// 1 when status says success, else the reported failure.
int32_t Outcome(const char* function, const NOs::NStatus& status, const char* what) {
    return status ? 1 : Failure(function, Because(what, status));
}

int32_t SlotFailure(const char* function, uint32_t id, const std::string& reason) {
    char slot[sizeof("(0xXXXXXXXX)")];
    std::snprintf(slot, sizeof(slot), "(0x%08X)", static_cast<unsigned>(id));
    return Report(std::string(function) + slot + ": " + reason);
}

// Runs body(function) and turns an exception into a failure.
template <class Body>
int32_t Guarded(const char* function, Body body) noexcept {
    try {
        return body(function);
    } catch (...) {
        return Failure(function, "out of resources");
    }
}

bool IsLoaded() { return static_cast<bool>(NControlBlock::InUse()); }

constexpr char kNotLoaded[] = "the driver is not loaded";

// body(the control block in use), or the failure of a driver not loaded.
template <class Body>
int32_t WithDriver(const char* function, uint32_t id, Body body) {
    const NOs::NResult<NControlBlock::NInUse> control = NControlBlock::InUse();
    return control ? body(control.Value()) : SlotFailure(function, id, kNotLoaded);
}

bool IsTooSmall(const NOs::NStatus& read) { return read.Error() == std::errc::no_buffer_space; }

int32_t ReadResult(const char* function, uint32_t id, const NOs::NStatus& read) {
    if (read) {
        return 1;
    }
    if (IsTooSmall(read)) {
        return SlotFailure(function, id, "the buffer is too small");
    }
    if (read.Error() == NOs::NObjectError::Busy) {
        return SlotFailure(function, id, "the value kept changing");
    }
    return SlotFailure(function, id, "no such slot");
}

// What is left of a wait of timeoutMs that began at startMs; a wait of
// QXIPC_WAIT_INFINITE never ends.
uint32_t WaitLeftMs(uint64_t startMs, uint32_t timeoutMs) {
    if (timeoutMs == QXIPC_WAIT_INFINITE) {
        return QXIPC_WAIT_INFINITE;
    }
    const uint64_t passed = NOs::GetCoarseMonotonicMs() - startMs;
    return passed >= timeoutMs ? 0 : static_cast<uint32_t>(timeoutMs - passed);
}

// One step of a wait for a write: the slot is looked at again after every
// step, so that a wake-up diverted by another account, a slot that appears
// and a driver that is loaded are all seen within one step.
NDataSlot::NWaitResult WaitStep(uint32_t id, uint64_t stamp, uint32_t stepMs) {
    const NOs::NResult<NControlBlock::NInUse> control = NControlBlock::InUse();
    NDataSlot::NWaitResult result = NDataSlot::NWaitResult::Missing;
    if (control) {
        result = NDataSlot::WaitForWrite(id, stamp, stepMs, control.Value());
    }
    if (result == NDataSlot::NWaitResult::Missing) {
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    }
    return result;
}

}  // namespace

extern "C" {

int32_t fnLoadIpcDriver(void) {
    return Guarded(__func__, [](const char* function) {
        return Outcome(function, NControlBlock::Load(), "the control block cannot be used");
    });
}

int32_t fnUnloadIpcDriver(void) {
    return Guarded(__func__, [](const char* function) {
        return Outcome(function, NControlBlock::Remove(), "the control block cannot be removed");
    });
}

int32_t fnUninstallIpcDriver(void) {
    return Guarded(__func__, [](const char* function) {
        // The control block goes first: every process that keeps a slot then
        // looks at it again before its next use.
        const NOs::NStatus unloaded = NControlBlock::Remove();
        return Outcome(
            function,
            unloaded ? NOs::RemoveSharedMemoryScope(NOs::NObjectSpace::Machine, NIpcShm::kScope)
                     : unloaded,
            "some objects of the driver cannot be removed");
    });
}

int32_t fnIsLoadedIpcDriver(void) {
    return Guarded(__func__, [](const char*) { return IsLoaded() ? 1 : 0; });
}

int32_t fnIsInstalledIpcDriver(void) {
    return Guarded(__func__, [](const char*) {
        return NOs::CheckObjectSpace(NOs::NObjectSpace::Machine) ? 1 : 0;
    });
}

uint32_t fnGetIpcDiverVersion(void) {
    return QXIPC_MAKE_VERSION(Q6TSA_VERSION_MAJOR, Q6TSA_VERSION_MINOR);
}

int32_t fnSetIpcDebugLevel(int32_t level) {
    return g_nDebugLevel.exchange(std::max<int32_t>(level, 0));
}

int32_t fnIpcFixDriverConfig(void) {
    return Guarded(__func__, [](const char* function) {
        return Outcome(function, NControlBlock::Repair(), "the control block cannot be rebuilt");
    });
}

int32_t fnSetData(uint32_t id, const void* data, uint32_t size) {
    return Guarded(__func__, [&](const char* function) {
        if (size > QXIPC_MAX_DATA_SIZE) {
            return SlotFailure(function, id, "the value is larger than a slot");
        }
        if (data == nullptr && size != 0) {
            return SlotFailure(function, id, "no data");
        }
        return WithDriver(function, id, [&](const NControlBlock::NInUse& control) {
            const NOs::NStatus written = NDataSlot::Write(id, data, size, control);
            return written
                       ? 1
                       : SlotFailure(function, id, Because("the slot cannot be written", written));
        });
    });
}

int32_t fnGetDataSize(uint32_t id, uint32_t* size) {
    return Guarded(__func__, [&](const char* function) {
        if (size == nullptr) {
            return SlotFailure(function, id, "no size");
        }
        *size = 0;
        return WithDriver(function, id, [&](const NControlBlock::NInUse& control) {
            const NOs::NStatus read = NDataSlot::Read(id, nullptr, 0, size, control);
            return IsTooSmall(read) ? 1 : ReadResult(function, id, read);
        });
    });
}

int32_t fnGetData(uint32_t id, void* buffer, uint32_t capacity, uint32_t* size) {
    return Guarded(__func__, [&](const char* function) {
        if (size == nullptr || (buffer == nullptr && capacity != 0)) {
            return SlotFailure(function, id, "no buffer");
        }
        *size = 0;
        return WithDriver(function, id, [&](const NControlBlock::NInUse& control) {
            return ReadResult(function, id, NDataSlot::Read(id, buffer, capacity, size, control));
        });
    });
}

int32_t fnGetDataStamp(uint32_t id, uint64_t* stamp) {
    return Guarded(__func__, [&](const char* function) {
        if (stamp == nullptr) {
            return SlotFailure(function, id, "no stamp");
        }
        *stamp = 0;
        return WithDriver(function, id, [&](const NControlBlock::NInUse& control) {
            const NOs::NResult<uint64_t> found = NDataSlot::Stamp(id, control);
            if (!found) {
                return SlotFailure(function, id, "no such slot, or its value kept changing");
            }
            *stamp = found.Value();
            return 1;
        });
    });
}

int32_t fnWaitData(uint32_t id, uint64_t stamp, uint32_t timeoutMs) {
    return Guarded(__func__, [&](const char* function) {
        const uint64_t startMs = NOs::GetCoarseMonotonicMs();
        for (uint32_t leftMs = timeoutMs;; leftMs = WaitLeftMs(startMs, timeoutMs)) {
            const uint32_t stepMs = std::min(leftMs, QXIPC_WAIT_STEP_MS);
            if (WaitStep(id, stamp, stepMs) == NDataSlot::NWaitResult::Written) {
                return 1;
            }
            if (leftMs == 0) {
                return SlotFailure(function, id, "no new value within the time");
            }
        }
    });
}

uint32_t fnGetIpcLastError(char* buffer, uint32_t capacity) {
    if (buffer == nullptr || capacity == 0) {
        return 0;
    }
    const size_t length = std::min<size_t>(std::strlen(g_szLastError), capacity - 1);
    std::memcpy(buffer, g_szLastError, length);
    buffer[length] = '\0';
    return static_cast<uint32_t>(length);
}

int32_t fnDeleteData(uint32_t id) {
    return Guarded(__func__, [&](const char* function) {
        if (!IsLoaded()) {
            return SlotFailure(function, id, kNotLoaded);
        }
        const NOs::NStatus removed = NDataSlot::Remove(id);
        return removed ? 1
                       : SlotFailure(function, id, Because("the slot cannot be removed", removed));
    });
}

}  // extern "C"
