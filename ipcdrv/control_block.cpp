#include "ipcdrv/control_block.h"

#include <cstddef>

#include "ipcdrv/kept_mappings.h"
#include "ipcdrv/shm_layout.h"
#include "os/linux/shared_memory.h"
#include "os/named_object_space.h"
#include "os/object_error.h"

namespace NControlBlock {
namespace {

using NIpcShm::NControlObject;

constexpr size_t kRetiredOffset = offsetof(NControlObject, nRetired);

bool HasSoundFields(const NControlObject& control) {
    return control.nMagic == NIpcShm::kControlMagic && control.nLayout == NIpcShm::kLayoutVersion &&
           control.nMaxDataSize == QXIPC_MAX_DATA_SIZE &&
           control.nSlotObjectSize == sizeof(NIpcShm::NSlotObject);
}

// In the namespace given when one is (it was read already), else the process's.
NOs::NResult<NOs::NObjectName> ObjectName(const std::string* objectNamespace = nullptr) {
    return objectNamespace != nullptr
               ? NOs::MakeObjectName(*objectNamespace, NOs::NObjectSpace::Machine, NIpcShm::kScope,
                                     NIpcShm::kControlName)
               : NOs::MakeObjectName(NOs::NObjectSpace::Machine, NIpcShm::kScope,
                                     NIpcShm::kControlName);
}

bool Init(void* data) {
    auto* control = static_cast<NControlObject*>(data);
    control->nMagic = NIpcShm::kControlMagic;
    control->nLayout = NIpcShm::kLayoutVersion;
    control->nMaxDataSize = QXIPC_MAX_DATA_SIZE;
    control->nSlotObjectSize = sizeof(NIpcShm::NSlotObject);
    control->nRetired.store(0, std::memory_order_relaxed);
    return true;
}

// The control block as a mapping of its own, when there is one.
NOs::NResult<std::unique_ptr<NOs::NSharedMemory>> Map(bool writable,
                                                      const std::string* objectNamespace) {
    const NOs::NResult<NOs::NObjectName> name = ObjectName(objectNamespace);
    if (!name) {
        return name.Error();
    }
    return NOs::NSharedMemory::Open(name.Value(), sizeof(NControlObject), writable);
}

NState StateOf(const NControlObject& control) {
    return HasSoundFields(control) ? NState::Sound : NState::Damaged;
}

// What an object that could not be opened tells of the block: a failure of
// the system's own (too many open files) tells nothing.
NOs::NResult<NState> StateOfError(const NOs::NError& error) {
    if (error == std::errc::no_such_file_or_directory) {
        return NState::Missing;
    }
    if (error.IsSystemError()) {
        return error;
    }
    return NState::Damaged;
}

// The control block read once, not mapped.
NOs::NResult<NState> ReadOnce(const std::string* objectNamespace) {
    const NOs::NResult<NOs::NObjectName> name = ObjectName(objectNamespace);
    if (!name) {
        return NState::Missing;
    }
    NControlObject control{};
    const NOs::NStatus read = NOs::ReadSharedMemory(name.Value(), &control, sizeof(control));
    return read ? StateOf(control) : StateOfError(read.Error());
}

// The control block in use: kept when it is used more than once, else read.
NOs::NResult<NState> CheckKept(NKeptMappings::NKeptMapping& kept,
                               const std::string* objectNamespace) {
    if (const void* data = kept.Current(0)) {
        return StateOf(*static_cast<const NControlObject*>(data));
    }
    if (!kept.IsWorthKeeping()) {
        return ReadOnce(objectNamespace);
    }
    NOs::NResult<std::unique_ptr<NOs::NSharedMemory>> fresh = Map(false, objectNamespace);
    if (!fresh) {
        return StateOfError(fresh.Error());
    }
    return StateOf(*static_cast<const NControlObject*>(kept.Replace(fresh.Take(), 0)));
}

NOs::NResult<NState> CheckIn(const std::string* objectNamespace) {
    NKeptMappings::NKeptMapping* kept = NKeptMappings::FindControl(objectNamespace);
    return kept != nullptr ? CheckKept(*kept, objectNamespace) : ReadOnce(objectNamespace);
}

}  // namespace

NOs::NResult<NState> Check() { return CheckIn(NKeptMappings::CurrentNamespace()); }

NOs::NResult<NInUse> InUse() {
    const std::string* objectNamespace = NKeptMappings::CurrentNamespace();
    NKeptMappings::NKeptMapping* kept = NKeptMappings::FindControl(objectNamespace);
    const NOs::NResult<NState> state =
        kept != nullptr ? CheckKept(*kept, objectNamespace) : CheckIn(objectNamespace);
    if (!state) {
        return state.Error();
    }
    switch (state.Value()) {
        case NState::Missing:
            return std::errc::no_such_file_or_directory;
        case NState::Damaged:
            return NOs::NObjectError::Damaged;
        case NState::Sound:
            break;
    }
    return NInUse{objectNamespace, kept != nullptr ? kept->Serial() : 0};
}

NOs::NStatus Load() {
    const NOs::NResult<NState> state = Check();
    if (!state) {
        return state.Error();
    }
    switch (state.Value()) {
        case NState::Sound:
            return NOs::Ok();
        case NState::Damaged:
            return NOs::NObjectError::Damaged;
        case NState::Missing:
            break;
    }
    const NOs::NResult<NOs::NObjectName> name = ObjectName();
    if (!name) {
        return name.Error();
    }
    bool existed = false;
    const auto memory = NOs::NSharedMemory::Create(
        name.Value(), NOs::NShmLayout{sizeof(NControlObject), NIpcShm::kMode}, Init, &existed);
    if (!memory) {
        return memory.Error();
    }
    return StateOf(*static_cast<const NControlObject*>(memory.Value()->GetData())) == NState::Sound
               ? NOs::Ok()
               : NOs::NStatus(NOs::NObjectError::Damaged);
}

NOs::NStatus Repair() {
    const NOs::NResult<NState> state = Check();
    if (!state) {
        return state.Error();  // what cannot be read is not removed
    }
    if (state.Value() == NState::Sound) {
        return NOs::Ok();
    }
    if (NOs::NStatus removed = Remove(); !removed) {
        return removed;
    }
    return Load();
}

NOs::NStatus Remove() {
    const NOs::NResult<NOs::NObjectName> name = ObjectName();
    if (!name) {
        return name.Error();
    }
    NOs::NResult<std::unique_ptr<NOs::NSharedMemory>> mapped = Map(true, nullptr);
    if (mapped) {
        return NKeptMappings::RetireAndUnlink(*mapped.Value(), kRetiredOffset);
    }
    // What cannot be mapped as the block cannot be marked either: this process
    // forgets it at once, others within the time of kept_mappings.h.
    NKeptMappings::ForgetControl();
    return NOs::RemoveSharedMemory(name.Value());
}

}  // namespace NControlBlock
