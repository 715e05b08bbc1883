#include "ipcdrv/control_block.h"

#include <sys/stat.h>

#include <optional>

#include "ipcdrv/shm_layout.h"
#include "os/shared_memory.h"

namespace NControlBlock {
namespace {

constexpr NIpcShm::NControlObject kSoundControl{NIpcShm::kControlMagic, NIpcShm::kLayoutVersion,
                                                QXIPC_MAX_DATA_SIZE, sizeof(NIpcShm::NSlotObject)};

bool HasSoundFields(const NIpcShm::NControlObject& control) {
    return control.nMagic == kSoundControl.nMagic && control.nLayout == kSoundControl.nLayout &&
           control.nMaxDataSize == kSoundControl.nMaxDataSize &&
           control.nSlotObjectSize == kSoundControl.nSlotObjectSize;
}

bool IsSound(const NOs::NSharedMemory& memory) {
    return memory.GetSize() == sizeof(NIpcShm::NControlObject) &&
           HasSoundFields(*static_cast<const NIpcShm::NControlObject*>(memory.GetData()));
}

bool Exists(const std::string& objectName) {
    struct stat info {};
    return ::lstat(NOs::GetSharedMemoryPath(objectName).c_str(), &info) == 0;
}

}  // namespace

std::string GetObjectName() {
    return NOs::MakeSharedMemoryName(NIpcShm::kScope, NIpcShm::kControlName);
}

NState Check() {
    const std::string objectName = GetObjectName();
    // Read, not mapped: every data operation checks the block first.
    NIpcShm::NControlObject control{};
    const std::optional<size_t> size = NOs::ReadSharedMemory(objectName, &control, sizeof(control));
    if (size) {
        return *size == sizeof(control) && HasSoundFields(control) ? NState::Sound
                                                                   : NState::Damaged;
    }
    return !objectName.empty() && Exists(objectName) ? NState::Damaged : NState::Missing;
}

bool Load() {
    const NState state = Check();
    if (state != NState::Missing) {
        return state == NState::Sound;
    }
    const NOs::NShmLayout layout{sizeof(NIpcShm::NControlObject), NIpcShm::kMode,
                                 NOs::NShmUmask::Ignore, NOs::NShmOwner::Anyone};
    const auto init = [](void* data) {
        *static_cast<NIpcShm::NControlObject*>(data) = kSoundControl;
        return true;
    };
    bool existed = false;
    const std::unique_ptr<NOs::NSharedMemory> memory =
        NOs::NSharedMemory::Create(GetObjectName(), layout, init, &existed);
    return memory && IsSound(*memory);
}

bool Repair() {
    if (Check() == NState::Sound) {
        return true;
    }
    return Remove() && Load();
}

bool Remove() { return NOs::RemoveSharedMemory(GetObjectName()); }

}  // namespace NControlBlock
