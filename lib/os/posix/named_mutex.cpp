// A mutex is held twice over: as a lock on its record, a file that only its
// owner's account can open, and as a name in the abstract socket space, which
// no file stands for. Removing the record frees the lock for a newcomer, but
// the name still tells it that a process of the same account holds the
// mutex; another account taking the name in advance does not stop the
// owner, whom the lock then guards alone.

#include "os/named_mutex.h"

#include <fcntl.h>

#include <cerrno>

#include "os/object_error.h"
#include "os/posix/abstract_socket_name.h"
#include "os/posix/named_object.h"
#include "os/posix/object_folder.h"

namespace NOs {

struct NNamedMutex::NState {
    NUniqueFd lock;   // invalid when not owned
    NUniqueFd guard;  // the abstract socket name, when it could be taken
    std::string strGuardName;
};

namespace {

constexpr uint32_t kRecordMode = 0600;  // nobody else may even open it

NResult<NOpenEntry> OpenOrMakeRecord(const NObjectFolder& folder, const std::string& entry) {
    NMutexRecord record{};
    bool made = false;
    return FindOrMake(
        folder, entry,
        [&] {
            return NNamedObject::OpenRecord(folder, entry, NObjectKind::Mutex, &record,
                                            sizeof(record), true);
        },
        [&] {
            return NNamedObject::CreateRecord(folder, entry, NObjectKind::Mutex, &record,
                                              sizeof(record), kRecordMode);
        },
        &made);
}

// An open-file-description lock: held per open file, not per process, and
// released by the kernel when the holder ends.
NResult<bool> TryLock(int fd) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) {
        return true;
    }
    if (errno == EAGAIN || errno == EACCES) {
        return false;
    }
    return LastError();
}

// The guard name, or an empty guard when it cannot be had because another
// account sits on it (or the system has no such names); nothing when a
// process of this account holds it.
std::optional<NUniqueFd> TakeGuard(const std::string& name) {
    NResult<NUniqueFd> guard = HoldAbstractSocketName(name);
    if (guard) {
        return guard.Take();
    }
    if (guard.Error() == std::errc::address_in_use) {
        const std::optional<uid_t> holder = FindAbstractSocketHolder(name);
        if (holder && *holder == ::geteuid()) {
            return std::nullopt;
        }
    }
    return NUniqueFd();
}

}  // namespace

NNamedMutex::NNamedMutex(std::unique_ptr<NState> state) : m_pState(std::move(state)) {}

NNamedMutex::~NNamedMutex() = default;

NResult<std::unique_ptr<NNamedMutex>> NNamedMutex::CreateOwned(const std::string& name,
                                                               bool* alreadyExists) {
    NResult<NNamedObject::NPlace> place = NNamedObject::FindPlace(name);
    if (!place) {
        return place.Error();
    }
    const NObjectFolder& folder = place.Value().folder;
    const std::string& entry = place.Value().name.strEntry;
    NResult<NOpenEntry> record = OpenOrMakeRecord(folder, entry);
    if (!record) {
        return record.Error();
    }
    const NResult<bool> locked = TryLock(record.Value().fd.Get());
    if (!locked) {
        return locked.Error();
    }
    auto state = std::make_unique<NState>();
    state->strGuardName = AbstractNameOf(folder.Path() + "/" + entry);
    if (locked.Value()) {
        std::optional<NUniqueFd> guard = TakeGuard(state->strGuardName);
        if (guard) {
            state->lock = std::move(record.Value().fd);
            state->guard = std::move(*guard);
        }
    }
    *alreadyExists = !state->lock.IsValid();
    return std::unique_ptr<NNamedMutex>(new NNamedMutex(std::move(state)));
}

bool NNamedMutex::IsOwned() const { return m_pState->lock.IsValid(); }

NStatus NNamedMutex::KeepHeld() {
    if (!IsOwned() || m_pState->guard.IsValid()) {
        return Ok();
    }
    NResult<NUniqueFd> guard = HoldAbstractSocketName(m_pState->strGuardName);
    if (!guard) {
        return guard.Error();
    }
    m_pState->guard = guard.Take();
    return Ok();
}

}  // namespace NOs
