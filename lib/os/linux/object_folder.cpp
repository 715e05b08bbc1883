#include "os/linux/object_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string_view>

#include "os/linux/errno_error.h"
#include "os/linux/retry_interrupted.h"
#include "os/object_error.h"
#include "os/tick_source.h"

namespace NOs {
namespace {

// Every space lives on the shared-memory file system, which the system
// empties at boot; the folder below it is its owner's.
constexpr char kSpacesParent[] = "/dev/shm";
constexpr char kSpacesFolder[] = "q6tsa";
constexpr uint32_t kMachineMode = 0755;
constexpr uint32_t kAccountMode = 0700;
// Opening the space's folder gives up when its entry keeps changing.
constexpr int kMakeAttempts = 3;

// One folder that the space's owner makes: its name, owner and exact mode.
struct NMadeFolder {
    std::string strName;
    uid_t nOwner;
    uint32_t nMode;
};

// The space's folder is the last made folder below a folder of the system.
struct NSpaceLocation {
    std::string strSystemFolder;
    std::vector<NMadeFolder> vecFolders;

    std::string PathUpTo(size_t folders) const {
        std::string path = strSystemFolder;
        for (size_t index = 0; index < folders; ++index) {
            path += "/" + vecFolders[index].strName;
        }
        return path;
    }
    std::string Path() const { return PathUpTo(vecFolders.size()); }
    const NMadeFolder& Last() const { return vecFolders.back(); }
};

// /dev/shm/q6tsa for the machine (root's), /dev/shm/q6tsa.UID for another
// account; a namespace NS is the folder ns-NS below either.
NSpaceLocation LocateSpace(NObjectSpace space, const std::string& objectNamespace, uid_t caller) {
    const bool machine = space == NObjectSpace::Machine || caller == 0;
    const uid_t owner = machine ? 0 : caller;
    const uint32_t mode = machine ? kMachineMode : kAccountMode;
    std::string base = kSpacesFolder;
    if (!machine) {
        base += "." + std::to_string(caller);
    }
    NSpaceLocation location{kSpacesParent, {{std::move(base), owner, mode}}};
    if (!objectNamespace.empty()) {
        location.vecFolders.push_back({"ns-" + objectNamespace, owner, mode});
    }
    return location;
}

NFileId IdOf(const struct stat& info) {
    return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

// A folder of the system on the way: root's, and writable by no other
// account unless sticky (as /dev/shm), so that nobody can swap what is in it.
NStatus CheckSystemFolder(const struct stat& info) {
    const bool othersWrite = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (!S_ISDIR(info.st_mode) || info.st_uid != 0 ||
        (othersWrite && (info.st_mode & S_ISVTX) == 0)) {
        return NObjectError::UnsafeFolder;
    }
    return Ok();
}

// A made folder: exactly its owner and mode; a mode changed by the umask is
// set right by the owner. Its identity when it passes.
NResult<NFileId> CheckMadeFolder(int fd, const NMadeFolder& folder, uid_t caller) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return LastError();
    }
    if (info.st_uid != folder.nOwner) {
        return NObjectError::UnsafeFolder;
    }
    if ((info.st_mode & 07777) != folder.nMode &&
        (caller != folder.nOwner || ::fchmod(fd, folder.nMode) != 0)) {
        return NObjectError::UnsafeFolder;
    }
    return IdOf(info);
}

// A folder opened and checked: its descriptor and identity.
struct NCheckedFolder {
    NUniqueFd fd;
    NFileId id;
};

NResult<NCheckedFolder> Checked(NUniqueFd fd, const NMadeFolder& folder, uid_t caller) {
    const NResult<NFileId> id = CheckMadeFolder(fd.Get(), folder, caller);
    if (!id) {
        return id.Error();
    }
    return NCheckedFolder{std::move(fd), id.Value()};
}

int OpenFolderAt(int parent, const char* name) {
    return RetryInterrupted([&] {
        return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    });
}

// Every folder from the root down to path: "/", "/dev", "/dev/shm".
std::vector<std::string> FoldersDownTo(const std::string& path) {
    std::vector<std::string> folders{"/"};
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        folders.push_back(path.substr(0, slash));
        if (slash == std::string::npos) {
            return folders;
        }
    }
}

// The usual way, when everything is in place: one open that follows no link
// anywhere, and a look at the folder's own owner and mode. Since every entry
// is then reached from the folder itself, what lies above it cannot matter;
// the folders above are checked where the space is first made.
NResult<NCheckedFolder> OpenDirectly(const NSpaceLocation& location, uid_t caller) {
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    NUniqueFd fd(static_cast<int>(
        ::syscall(SYS_openat2, AT_FDCWD, location.Path().c_str(), &how, sizeof(how))));
    if (!fd.IsValid()) {
        return LastError();
    }
    return Checked(std::move(fd), location.Last(), caller);
}

// Each folder opened from the one above it, each checked.
NResult<NUniqueFd> OpenSystemFolder(const std::string& path) {
    NUniqueFd fd;
    for (const std::string& folder : FoldersDownTo(path)) {
        const std::string_view full = folder;
        const std::string name(fd.IsValid() ? full.substr(full.rfind('/') + 1) : full);
        NUniqueFd next(OpenFolderAt(fd.IsValid() ? fd.Get() : AT_FDCWD, name.c_str()));
        struct stat info {};
        if (!next.IsValid() || ::fstat(next.Get(), &info) != 0) {
            return LastError();
        }
        if (const NStatus checked = CheckSystemFolder(info); !checked) {
            return checked.Error();
        }
        fd = std::move(next);
    }
    return fd;
}

// Moves whatever stands under name out of the way, to a name of its own that
// nobody can guess: nothing of another account is ever deleted or followed.
NStatus MoveAside(int parent, const std::string& name) {
    for (int attempt = 0; attempt < kMakeAttempts; ++attempt) {
        uint64_t tag = 0;
        if (::getrandom(&tag, sizeof(tag), 0) != static_cast<ssize_t>(sizeof(tag))) {
            return LastError();
        }
        char suffix[sizeof(".moved-") + 16];
        std::snprintf(suffix, sizeof(suffix), ".moved-%016llx",
                      static_cast<unsigned long long>(tag));
        if (::renameat2(parent, name.c_str(), parent, (name + suffix).c_str(), RENAME_NOREPLACE) ==
                0 ||
            errno == ENOENT) {
            return Ok();
        }
        if (errno != EEXIST) {
            return LastError();
        }
    }
    return NObjectError::UnsafeFolder;
}

// The owner's folder; whatever else stands under its name (another account's
// folder, a link, a file) the owner moves aside, anyone else is refused by.
NResult<NCheckedFolder> OpenMadeFolder(int parent, const NMadeFolder& folder, uid_t caller) {
    const bool owner = caller == folder.nOwner;
    for (int attempt = 0; attempt < kMakeAttempts; ++attempt) {
        NUniqueFd fd(OpenFolderAt(parent, folder.strName.c_str()));
        bool inTheWay = true;
        if (fd.IsValid()) {
            NResult<NCheckedFolder> checked = Checked(std::move(fd), folder, caller);
            if (checked || !owner) {
                return checked;
            }
        } else if (errno == ENOENT && owner) {
            inTheWay = false;
        } else if (!owner || (errno != ELOOP && errno != ENOTDIR)) {
            return LastError();
        }
        if (inTheWay) {
            if (const NStatus moved = MoveAside(parent, folder.strName); !moved) {
                return moved.Error();
            }
        }
        if (::mkdirat(parent, folder.strName.c_str(), folder.nMode) != 0 && errno != EEXIST) {
            return LastError();
        }
    }
    return NObjectError::UnsafeFolder;
}

// When something is missing or in the way: folder by folder from the root,
// the owner making what is missing.
NResult<NCheckedFolder> OpenStepByStep(const NSpaceLocation& location, uid_t caller) {
    NResult<NUniqueFd> system = OpenSystemFolder(location.strSystemFolder);
    if (!system) {
        return system.Error();
    }
    NResult<NCheckedFolder> folder = NCheckedFolder{system.Take(), {}};
    for (const NMadeFolder& made : location.vecFolders) {
        if (!folder) {
            break;
        }
        folder = OpenMadeFolder(folder.Value().fd.Get(), made, caller);
    }
    return folder;
}

NResult<NOpenEntry> CheckedEntry(NUniqueFd fd, uid_t owner, uint64_t size) {
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        return LastError();
    }
    if (!S_ISREG(info.st_mode)) {
        return NObjectError::NotRegular;
    }
    if (info.st_uid != owner) {
        return NObjectError::WrongOwner;
    }
    const auto fileSize = static_cast<uint64_t>(info.st_size);
    if (size != NObjectFolder::kAnySize && fileSize != size) {
        return NObjectError::WrongSize;
    }
    NOpenEntry entry;
    entry.fd = std::move(fd);
    entry.id = IdOf(info);
    entry.nSize = fileSize;
    return entry;
}

}  // namespace

struct NObjectFolder::NHandle {
    NUniqueFd fd;
    std::string strNamespace;
    std::string strPath;
    uid_t nOwner;
    uint32_t nMode;
    NFileId id;
};

namespace {

// Folders opened before: a look at the path tells whether it still leads to
// the same folder, with its owner and mode. For a reader, a folder looked at
// within the last kRecheckAfterMs is taken as it is; its owner, who may be
// about to make something in it, always looks. A folder found replaced is no
// longer handed out but kept open until the cache goes, so that a folder
// object in use meanwhile never loses it.
class NFolderCache {
public:
    // The folder of the owner's space of the namespace.
    const NObjectFolder::NHandle* Find(uid_t owner, const std::string& objectNamespace,
                                       uid_t caller) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (NEntry& entry : m_vecFolders) {
            const NObjectFolder::NHandle& handle = *entry.pHandle;
            if (entry.bRetired || handle.nOwner != owner ||
                handle.strNamespace != objectNamespace) {
                continue;
            }
            const uint64_t now = GetCoarseMonotonicMs();
            if (caller == owner || now >= entry.nCheckedMs + kRecheckAfterMs) {
                if (!IsStill(handle)) {
                    entry.bRetired = true;
                    return nullptr;
                }
                entry.nCheckedMs = now;
            }
            return &handle;
        }
        return nullptr;
    }

    const NObjectFolder::NHandle* Keep(std::unique_ptr<NObjectFolder::NHandle> handle) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        Retire(handle->strPath);
        m_vecFolders.push_back({std::move(handle), GetCoarseMonotonicMs(), false});
        return m_vecFolders.back().pHandle.get();
    }

    void Forget(const std::string& path) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        Retire(path);
    }

private:
    static constexpr uint64_t kRecheckAfterMs = 10;

    struct NEntry {
        std::unique_ptr<NObjectFolder::NHandle> pHandle;
        uint64_t nCheckedMs;
        bool bRetired;
    };

    static bool IsStill(const NObjectFolder::NHandle& handle) {
        struct stat info {};
        return ::fstatat(AT_FDCWD, handle.strPath.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
               S_ISDIR(info.st_mode) && IdOf(info) == handle.id && info.st_uid == handle.nOwner &&
               (info.st_mode & 07777) == handle.nMode;
    }

    void Retire(const std::string& path) {
        for (NEntry& entry : m_vecFolders) {
            entry.bRetired = entry.bRetired || entry.pHandle->strPath == path;
        }
    }

    std::mutex m_mutex;
    std::vector<NEntry> m_vecFolders;
};

// Made at first use, so that loading a library that holds this code runs
// none of it; closed when the program, or that library, goes.
NFolderCache& FolderCache() {
    static NFolderCache cache;
    return cache;
}

NResult<std::unique_ptr<NObjectFolder::NHandle>> OpenHandle(const NSpaceLocation& location,
                                                            const std::string& objectNamespace,
                                                            uid_t caller) {
    // Anything amiss, the slow way finds out what, and mends what it may.
    NResult<NCheckedFolder> opened = OpenDirectly(location, caller);
    if (!opened) {
        opened = OpenStepByStep(location, caller);
    }
    if (!opened) {
        return opened.Error();
    }
    const NMadeFolder& folder = location.Last();
    return std::make_unique<NObjectFolder::NHandle>(
        NObjectFolder::NHandle{std::move(opened.Value().fd), objectNamespace, location.Path(),
                               folder.nOwner, folder.nMode, opened.Value().id});
}

}  // namespace

NObjectFolder::NObjectFolder(const NHandle* handle, uid_t caller)
    : m_pHandle(handle), m_nCaller(caller) {}

std::string NObjectFolder::PathOf(NObjectSpace space, const std::string& objectNamespace) {
    return LocateSpace(space, objectNamespace, ::geteuid()).Path();
}

NResult<NObjectFolder> NObjectFolder::Open(NObjectSpace space, const std::string& objectNamespace) {
    const uid_t caller = ::geteuid();
    const uid_t owner = space == NObjectSpace::Machine ? 0 : caller;
    if (const NHandle* cached = FolderCache().Find(owner, objectNamespace, caller)) {
        return NObjectFolder(cached, caller);
    }
    NResult<std::unique_ptr<NHandle>> opened =
        OpenHandle(LocateSpace(space, objectNamespace, caller), objectNamespace, caller);
    if (!opened) {
        return opened.Error();
    }
    return NObjectFolder(FolderCache().Keep(opened.Take()), caller);
}

NResult<NObjectFolder> NObjectFolder::Open(const NObjectName& name) {
    return Open(name.eSpace, name.strNamespace);
}

const std::string& NObjectFolder::Path() const { return m_pHandle->strPath; }

uid_t NObjectFolder::Owner() const { return m_pHandle->nOwner; }

int NObjectFolder::Fd() const { return m_pHandle->fd.Get(); }

bool NObjectFolder::IsOwnedByCaller() const { return m_nCaller == Owner(); }

NResult<NOpenEntry> NObjectFolder::OpenEntry(const std::string& entry, bool writable,
                                             uint64_t size) const {
    // Never blocks (a FIFO), never follows a link.
    const int flags = (writable ? O_RDWR : O_RDONLY) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    const int fd = RetryInterrupted([&] { return ::openat(Fd(), entry.c_str(), flags); });
    if (fd < 0) {
        const int error = errno;
        const bool notRegular = error == ELOOP || error == ENXIO || error == EISDIR;
        return notRegular ? NError(NObjectError::NotRegular) : NError::FromErrno(error);
    }
    return CheckedEntry(NUniqueFd(fd), Owner(), size);
}

NResult<NOpenEntry> NObjectFolder::CreateEntry(
    const std::string& entry, uint32_t mode, const std::function<NStatus(int fd)>& prepare) const {
    // A file without a name until it is complete: nothing to guess, nothing left behind.
    NUniqueFd fd(::openat(Fd(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!fd.IsValid()) {
        return LastError();
    }
    if (const NStatus prepared = prepare(fd.Get()); !prepared) {
        return prepared.Error();
    }
    if (::fchmod(fd.Get(), mode) != 0) {
        return LastError();
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd.Get());
    if (::linkat(AT_FDCWD, self.c_str(), Fd(), entry.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        return LastError();
    }
    return CheckedEntry(std::move(fd), Owner(), kAnySize);
}

std::optional<NFileId> NObjectFolder::FindEntry(const std::string& entry) const {
    struct stat info {};
    if (::fstatat(Fd(), entry.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return IdOf(info);
}

NStatus NObjectFolder::RemoveEntry(const std::string& entry) const {
    if (::unlinkat(Fd(), entry.c_str(), 0) == 0 || errno == ENOENT) {
        return Ok();
    }
    if (errno == EISDIR && ::unlinkat(Fd(), entry.c_str(), AT_REMOVEDIR) == 0) {
        return Ok();
    }
    return LastError();
}

NStatus NObjectFolder::RemoveEntryIfSame(const std::string& entry, const NFileId& id) const {
    const std::optional<NFileId> found = FindEntry(entry);
    if (!found || *found != id) {
        return Ok();
    }
    return ::unlinkat(Fd(), entry.c_str(), 0) == 0 || errno == ENOENT ? Ok() : NStatus(LastError());
}

NResult<std::vector<std::string>> NObjectFolder::ListEntries() const {
    NUniqueFd listing(::openat(Fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!listing.IsValid()) {
        return LastError();
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::fdopendir(listing.Get()), &::closedir);
    if (!folder) {
        return LastError();
    }
    listing.Release();  // the listing owns it now
    std::vector<std::string> entries;
    for (;;) {
        errno = 0;
        const dirent* item = ::readdir(folder.get());
        if (item == nullptr) {
            return errno == 0 ? NResult<std::vector<std::string>>(std::move(entries)) : LastError();
        }
        const std::string_view name = item->d_name;
        if (name != "." && name != "..") {
            entries.emplace_back(name);
        }
    }
}

NResult<NObjectFolder> NObjectFolder::OpenOwn(NObjectSpace space,
                                              const std::string& objectNamespace) {
    NResult<NObjectFolder> folder = Open(space, objectNamespace);
    if (folder && !folder.Value().IsOwnedByCaller()) {
        return NObjectError::NotPermitted;
    }
    return folder;
}

NStatus NObjectFolder::RemoveEntries(
    const std::string& prefix,
    const std::function<void(const std::string& entry)>& beforeRemove) const {
    if (!IsOwnedByCaller()) {
        return NObjectError::NotPermitted;
    }
    const NResult<std::vector<std::string>> entries = ListEntries();
    if (!entries) {
        return entries.Error();
    }
    NStatus result = Ok();
    for (const std::string& entry : entries.Value()) {
        if (std::string_view(entry).substr(0, prefix.size()) != prefix) {
            continue;
        }
        beforeRemove(entry);
        if (NStatus removed = RemoveEntry(entry); !removed) {
            result = removed;
        }
    }
    return result;
}

NStatus NObjectFolder::RemoveSelf(
    const std::function<void(const std::string& entry)>& beforeRemove) const {
    if (NStatus removed = RemoveEntries("", beforeRemove); !removed) {
        return removed;
    }
    FolderCache().Forget(Path());
    return ::rmdir(Path().c_str()) == 0 || errno == ENOENT ? Ok() : NStatus(LastError());
}

NStatus ReadEntryBytes(int fd, void* buffer, size_t size) {
    const ssize_t count = RetryInterrupted([&] { return ::pread(fd, buffer, size, 0); });
    if (count < 0) {
        return LastError();
    }
    return static_cast<size_t>(count) == size ? Ok() : NStatus(NObjectError::WrongSize);
}

bool IsReplaceable(const NError& error) {
    return error == NObjectError::NotRegular || error == NObjectError::WrongOwner ||
           error == NObjectError::WrongSize || error == NObjectError::Damaged;
}

}  // namespace NOs
