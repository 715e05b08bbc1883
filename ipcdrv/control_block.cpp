#include "ipcdrv/control_block.h"

#include <optional>

#include "ipcdrv/shm_layout.h"
#include "os/named_object_space.h"
#include "os/object_error.h"
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

std::optional<NOs::NObjectName> ObjectName() {
    return NOs::MakeObjectName(NOs::NObjectSpace::Machine, NIpcShm::kScope, NIpcShm::kControlName);
}

NOs::NStatus Create(const NOs::NObjectName& name) {
    const NOs::NShmLayout layout{sizeof(NIpcShm::NControlObject), NIpcShm::kMode};
    const auto init = [](void* data) {
        *static_cast<NIpcShm::NControlObject*>(data) = kSoundControl;
        return true;
    };
    bool existed = false;
    const auto memory = NOs::NSharedMemory::Create(name, layout, init, &existed);
    if (!memory) {
        return memory.Error();
    }
    const auto* control = static_cast<const NIpcShm::NControlObject*>(memory.Value()->GetData());
    return HasSoundFields(*control) ? NOs::Ok() : NOs::NStatus(NOs::NObjectError::Damaged);
}

}  // namespace

NState Check() {
    const std::optional<NOs::NObjectName> name = ObjectName();
    if (!name) {
        return NState::Missing;
    }
    // Read, not mapped: every data operation checks the block first.
    NIpcShm::NControlObject control{};
    const NOs::NStatus read = NOs::ReadSharedMemory(*name, &control, sizeof(control));
    if (read) {
        return HasSoundFields(control) ? NState::Sound : NState::Damaged;
    }
    return read.Error() == std::errc::no_such_file_or_directory ? NState::Missing
                                                                : NState::Damaged;
}

NOs::NStatus Load() {
    switch (Check()) {
        case NState::Sound:
            return NOs::Ok();
        case NState::Damaged:
            return NOs::NObjectError::Damaged;
        case NState::Missing:
            break;
    }
    const std::optional<NOs::NObjectName> name = ObjectName();
    return name ? Create(*name) : NOs::NStatus(NOs::NObjectError::BadName);
}

NOs::NStatus Repair() {
    if (Check() == NState::Sound) {
        return NOs::Ok();
    }
    if (NOs::NStatus removed = Remove(); !removed) {
        return removed;
    }
    return Load();
}

NOs::NStatus Remove() {
    const std::optional<NOs::NObjectName> name = ObjectName();
    return name ? NOs::RemoveSharedMemory(*name) : NOs::NStatus(NOs::NObjectError::BadName);
}

}  // namespace NControlBlock
