#pragma once
// The folder of an object space (named_object_space.h), opened safely, and
// the entries in it. Every entry is reached from the folder's descriptor, so
// no symbolic link on the way is ever followed.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "os/linux/unique_fd.h"
#include "os/object_name.h"
#include "os/result.h"

namespace NOs {

// Identity of a file.
struct NFileId {
    uint64_t nDevice = 0;
    uint64_t nInode = 0;

    bool operator==(const NFileId& other) const {
        return nDevice == other.nDevice && nInode == other.nInode;
    }
    bool operator!=(const NFileId& other) const { return !(*this == other); }
};

// An entry opened as a regular file of the space's owner.
struct NOpenEntry {
    NUniqueFd fd;
    NFileId id;
    uint64_t nSize = 0;
};

class NObjectFolder {
public:
    // Opens the folder of the space of name's namespace, making it (and the
    // folders of the namespace above it) when it is missing and the caller
    // owns the space. Refused when a folder on the way is unsafe. A folder
    // opened before is kept for the process while the path still leads to
    // it with its owner and mode, which its owner looks at each time and a
    // reader at least every 10 ms: a reader finds a folder replaced
    // meanwhile within that time.
    static NResult<NObjectFolder> Open(NObjectSpace space, const std::string& objectNamespace);
    static NResult<NObjectFolder> Open(const NObjectName& name);

    // The folder of a space for a change: refused unless the caller owns it.
    static NResult<NObjectFolder> OpenOwn(NObjectSpace space, const std::string& objectNamespace);

    // The path, for messages and tests.
    static std::string PathOf(NObjectSpace space, const std::string& objectNamespace);

    const std::string& Path() const;
    uid_t Owner() const;
    // Whether the account that opened the folder owns it.
    bool IsOwnedByCaller() const;

    static constexpr uint64_t kAnySize = UINT64_MAX;

    // The entry as a plain file of the owner, exactly size bytes (unless
    // kAnySize).
    NResult<NOpenEntry> OpenEntry(const std::string& entry, bool writable, uint64_t size) const;

    // Makes a file, lets prepare fill it, gives it mode and only then puts it
    // under entry, so that nobody sees it half made. EEXIST when the name is
    // taken meanwhile.
    NResult<NOpenEntry> CreateEntry(const std::string& entry, uint32_t mode,
                                    const std::function<NStatus(int fd)>& prepare) const;

    // The identity of whatever stands under entry; nothing when missing.
    std::optional<NFileId> FindEntry(const std::string& entry) const;

    // Removes whatever stands under entry (an empty folder too); succeeds
    // when nothing is left there.
    NStatus RemoveEntry(const std::string& entry) const;

    // Removes entry only while it is the file id.
    NStatus RemoveEntryIfSame(const std::string& entry, const NFileId& id) const;

    // The names in the folder, "." and ".." left out.
    NResult<std::vector<std::string>> ListEntries() const;

    // Removes the entries and then the folder itself; the owner only.
    NStatus RemoveSelf(const std::function<void(const std::string& entry)>& beforeRemove) const;

    // Removes every entry whose name begins with prefix; beforeRemove sees
    // each first.
    NStatus RemoveEntries(const std::string& prefix,
                          const std::function<void(const std::string& entry)>& beforeRemove) const;

    // The folder as it was opened; opaque here.
    struct NHandle;

private:
    NObjectFolder(const NHandle* handle, uid_t caller);

    int Fd() const;

    const NHandle* m_pHandle;  // the process's folder cache keeps it
    uid_t m_nCaller;           // the caller's account when the folder was opened
};

// Reads size bytes at the start of an open entry; WrongSize when it holds
// fewer.
NStatus ReadEntryBytes(int fd, void* buffer, size_t size);

// True when what error says stands under a name is replaced by the space's
// owner: anything but a sound object of another kind.
bool IsReplaceable(const NError& error);

// The object under entry as open() finds it, or as make() makes it when it
// is missing and the caller owns the folder; whatever else stands there
// (IsReplaceable) the owner removes first. *made tells which. Gives up when
// the name keeps changing under it.
template <class Open, class Make>
auto FindOrMake(const NObjectFolder& folder, const std::string& entry, Open open, Make make,
                bool* made) -> decltype(open()) {
    constexpr int kAttempts = 8;
    NError error;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        auto found = open();
        if (found) {
            *made = false;
            return found;
        }
        error = found.Error();
        const bool missing = error == std::errc::no_such_file_or_directory;
        if (!folder.IsOwnedByCaller()) {
            return missing ? NError(NObjectError::NotPermitted) : error;
        }
        if (missing) {
            auto result = make();
            if (result || result.Error() != std::errc::file_exists) {
                *made = true;
                return result;
            }
        } else if (!IsReplaceable(error)) {
            return error;
        } else if (const NStatus removed = folder.RemoveEntry(entry); !removed) {
            return removed.Error();
        }
    }
    return error;
}

}  // namespace NOs
