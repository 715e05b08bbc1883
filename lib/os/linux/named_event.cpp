#include "os/named_event.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "os/linux/event_semaphore.h"
#include "os/linux/named_object.h"
#include "os/linux/object_folder.h"
#include "os/named_event_testing.h"
#include "os/object_error.h"

namespace NOs {

struct NNamedEvent::NState {
    std::string strName;
    NObjectName name;
    std::string strRecordPath;
    NObjectAccess eAccess;
    bool bManualReset;
    NEventSemaphore semaphore;
    // Held open so that its identity cannot pass to a newer record.
    NOpenEntry record;
};

namespace {

constexpr uint32_t kEventRecordMode = 0644;  // the record is read by all, written by the owner

uint32_t SemaphoreMode(NObjectAccess access) {
    return access == NObjectAccess::Everyone ? 0666 : 0600;
}

struct NFoundEvent {
    bool bManualReset;
    NEventSemaphore semaphore;
    NOpenEntry record;
};

std::unique_ptr<NNamedEvent::NState> NewState(const std::string& name,
                                              const NObjectName& objectName, NObjectAccess access,
                                              NFoundEvent event) {
    return std::make_unique<NNamedEvent::NState>(
        NNamedEvent::NState{name, objectName, GetObjectPath(objectName), access, event.bManualReset,
                            event.semaphore, std::move(event.record)});
}

NResult<NFoundEvent> OpenEvent(const NObjectFolder& folder, const std::string& entry) {
    NEventRecord record{};
    NResult<NOpenEntry> opened =
        NNamedObject::OpenRecord(folder, entry, NObjectKind::Event, &record, sizeof(record), false);
    if (!opened) {
        return opened.Error();
    }
    NResult<NEventSemaphore> semaphore =
        NEventSemaphore::Open(record.nSemaphoreKey, record.nSemaphoreId, folder.Owner());
    if (!semaphore) {
        return semaphore.Error();
    }
    return NFoundEvent{record.nManualReset != 0, semaphore.Value(), opened.Take()};
}

NResult<NFoundEvent> MakeEvent(const NObjectFolder& folder, const std::string& entry,
                               bool manualReset, NObjectAccess access) {
    NResult<NEventSemaphore> semaphore = NEventSemaphore::Create(SemaphoreMode(access));
    if (!semaphore) {
        return semaphore.Error();
    }
    NEventRecord record{};
    record.nManualReset = manualReset ? 1 : 0;
    record.nSemaphoreKey = semaphore.Value().Key();
    record.nSemaphoreId = semaphore.Value().Id();
    NResult<NOpenEntry> made = NNamedObject::CreateRecord(
        folder, entry, NObjectKind::Event, &record, sizeof(record), kEventRecordMode);
    if (!made) {
        semaphore.Value().Remove();
        return made.Error();
    }
    return NFoundEvent{manualReset, semaphore.Value(), made.Take()};
}

// The event under the name, made when missing and the caller owns its space;
// what is not a sound event (nor an object of another kind) is replaced then.
NResult<std::unique_ptr<NNamedEvent::NState>> MakeState(const std::string& name, bool manualReset,
                                                        NObjectAccess access, bool* existed) {
    NResult<NNamedObject::NPlace> place = NNamedObject::FindPlace(name);
    if (!place) {
        return place.Error();
    }
    const NObjectFolder& folder = place.Value().folder;
    const std::string& entry = place.Value().name.strEntry;
    bool made = false;
    NResult<NFoundEvent> event = FindOrMake(
        folder, entry, [&] { return OpenEvent(folder, entry); },
        [&] { return MakeEvent(folder, entry, manualReset, access); }, &made);
    if (!event) {
        return event.Error();
    }
    *existed = !made;
    return NewState(name, place.Value().name, access, event.Take());
}

// One look at the path: the folders above the record are the owner's alone.
bool IsNamed(const NNamedEvent::NState& state) {
    struct stat info {};
    return ::fstatat(AT_FDCWD, state.strRecordPath.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           NFileId{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)} ==
               state.record.id;
}

// Moves to the event under the name; keeps state as it is when none can be
// found or made there.
NStatus Reattach(std::unique_ptr<NNamedEvent::NState>& state) {
    bool existed = false;
    NResult<std::unique_ptr<NNamedEvent::NState>> found =
        MakeState(state->strName, state->bManualReset, state->eAccess, &existed);
    if (!found) {
        return found.Error();
    }
    state = found.Take();
    return Ok();
}

}  // namespace

NNamedEvent::NNamedEvent(std::unique_ptr<NState> state) : m_pState(std::move(state)) {}

NNamedEvent::~NNamedEvent() = default;

NResult<std::unique_ptr<NNamedEvent>> NNamedEvent::Create(const std::string& name, bool manualReset,
                                                          NObjectAccess access, bool* existed) {
    bool opened = false;
    NResult<std::unique_ptr<NState>> state = MakeState(name, manualReset, access, &opened);
    if (!state) {
        return state.Error();
    }
    if (existed != nullptr) {
        *existed = opened;
    }
    return std::unique_ptr<NNamedEvent>(new NNamedEvent(state.Take()));
}

NResult<std::unique_ptr<NNamedEvent>> NNamedEvent::Open(const std::string& name) {
    NResult<NNamedObject::NPlace> place = NNamedObject::FindPlace(name);
    if (!place) {
        return place.Error();
    }
    NResult<NFoundEvent> event = OpenEvent(place.Value().folder, place.Value().name.strEntry);
    if (!event) {
        return event.Error();
    }
    return std::unique_ptr<NNamedEvent>(
        new NNamedEvent(NewState(name, place.Value().name, NObjectAccess::Default, event.Take())));
}

NResult<bool> IsManualReset(const NNamedEvent& event) { return event.m_pState->bManualReset; }

NStatus NNamedEvent::Set() {
    const NStatus signalled = m_pState->semaphore.SetValue(1);
    if (signalled && IsNamed(*m_pState)) {
        return signalled;
    }
    // Waiters on the old event have had their wake; newcomers open the name.
    const NStatus moved = Reattach(m_pState);
    if (!moved) {
        return signalled ? Ok() : moved;
    }
    return m_pState->semaphore.SetValue(1);
}

NStatus NNamedEvent::Reset() { return m_pState->semaphore.SetValue(0); }

NResult<NWaitResult> NNamedEvent::Wait(uint32_t timeoutMs) {
    return m_pState->semaphore.Wait(m_pState->bManualReset, timeoutMs);
}

}  // namespace NOs
