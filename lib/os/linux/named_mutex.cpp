// A mutex is a lock on its record, a file that only its owner's account can
// open, in a folder that only that account can change. Its holder checks now
// and then that the record under the name is still the one it locked: once
// the record was removed or replaced, the holder takes the new one, or
// learns that a newcomer holds it.

#include "os/named_mutex.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "os/linux/errno_error.h"
#include "os/linux/named_object.h"
#include "os/linux/object_folder.h"
#include "os/named_mutex_testing.h"
#include "os/named_object_space.h"
#include "os/object_error.h"

namespace NOs {

struct NNamedMutex::NState {
    std::string strName;
    std::string strRecordPath;
    NOpenEntry record;  // its descriptor is invalid when not owned
};

namespace {

constexpr uint32_t kMutexRecordMode = 0600;  // nobody else may even open it

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
                                              sizeof(record), kMutexRecordMode);
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

// The record under the name, locked when no live process holds it.
NResult<std::unique_ptr<NNamedMutex::NState>> TakeRecord(const std::string& name) {
    NResult<NNamedObject::NPlace> place = NNamedObject::FindPlace(name);
    if (!place) {
        return place.Error();
    }
    NResult<NOpenEntry> record =
        OpenOrMakeRecord(place.Value().folder, place.Value().name.strEntry);
    if (!record) {
        return record.Error();
    }
    const NResult<bool> locked = TryLock(record.Value().fd.Get());
    if (!locked) {
        return locked.Error();
    }
    if (!locked.Value()) {
        record.Value().fd.Reset();
    }
    return std::make_unique<NNamedMutex::NState>(
        NNamedMutex::NState{name, GetObjectPath(place.Value().name), record.Take()});
}

bool HoldsRecord(const NNamedMutex::NState& state) { return state.record.fd.IsValid(); }

// One look at the path: the folders above the record are the owner's alone.
bool IsNamed(const NNamedMutex::NState& state) {
    struct stat info {};
    return ::fstatat(AT_FDCWD, state.strRecordPath.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           NFileId{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)} ==
               state.record.id;
}

}  // namespace

NNamedMutex::NNamedMutex(std::unique_ptr<NState> state) : m_pState(std::move(state)) {}

NNamedMutex::~NNamedMutex() = default;

NResult<std::unique_ptr<NNamedMutex>> NNamedMutex::CreateOwned(const std::string& name,
                                                               bool* alreadyExists) {
    NResult<std::unique_ptr<NState>> state = TakeRecord(name);
    if (!state) {
        return state.Error();
    }
    *alreadyExists = !HoldsRecord(*state.Value());
    return std::unique_ptr<NNamedMutex>(new NNamedMutex(state.Take()));
}

bool IsOwned(const NNamedMutex& mutex) { return HoldsRecord(*mutex.m_pState); }

NResult<bool> NNamedMutex::Retake() {
    if (HoldsRecord(*m_pState) && IsNamed(*m_pState)) {
        return true;
    }
    NResult<std::unique_ptr<NState>> state = TakeRecord(m_pState->strName);
    if (!state) {
        return state.Error();
    }
    m_pState = state.Take();
    return HoldsRecord(*m_pState);
}

}  // namespace NOs
