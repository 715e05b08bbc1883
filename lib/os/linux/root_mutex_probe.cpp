#include "os/linux/root_mutex_probe.h"

#include <sys/sysmacros.h>

#include <cinttypes>
#include <cstdio>
#include <sstream>

#include "os/file_reader.h"
#include "os/linux/object_folder.h"
#include "os/linux/root_mutex_probe_testing.h"
#include "os/object_error.h"

namespace NOs {
namespace {

constexpr char kLockTable[] = "/proc/locks";
constexpr size_t kMaxLockTableBytes = size_t{16} << 20;

// How the table names a file: major:minor:inode, the numbers of the
// device in hexadecimal.
std::string LockTableName(const NFileId& id) {
    char text[64];
    std::snprintf(text, sizeof(text), "%02x:%02x:%" PRIu64, ::major(id.nDevice),
                  ::minor(id.nDevice), id.nInode);
    return text;
}

// Root's own names live in the machine's space: for root the two are one.
NResult<NObjectName> RootMutexName(const std::string& name) {
    NResult<NObjectName> objectName = GetNamedObjectName(name);
    if (objectName) {
        objectName.Value().eSpace = NObjectSpace::Machine;
    }
    return objectName;
}

}  // namespace

// A line: "1: OFDLCK ADVISORY WRITE -1 00:1a:1234 0 EOF". A waiter's line
// has "->" after the number, which moves its words one place on: it never
// matches.
bool LockTableHoldsWriteLock(const std::string& table, const NFileId& id) {
    const std::string file = LockTableName(id);
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string number, kind, advisory, access, pid, lockedFile;
        words >> number >> kind >> advisory >> access >> pid >> lockedFile;
        if (access == "WRITE" && lockedFile == file) {
            return true;
        }
    }
    return false;
}

NResult<NMutexHolding> ProbeRootMutex(const std::string& name) {
    const NResult<NObjectName> objectName = RootMutexName(name);
    if (!objectName) {
        return objectName.Error();
    }
    const NResult<NObjectFolder> folder = NObjectFolder::Open(objectName.Value());
    if (!folder) {
        return folder.Error() == std::errc::no_such_file_or_directory
                   ? NResult<NMutexHolding>(NMutexHolding::Missing)
                   : NResult<NMutexHolding>(folder.Error());
    }
    const std::optional<NFileId> record = folder.Value().FindEntry(objectName.Value().strEntry);
    if (!record) {
        return NMutexHolding::Missing;
    }
    const NResult<std::string> table = ReadWholeFile(kLockTable, kMaxLockTableBytes);
    if (!table) {
        return table.Error();
    }
    return LockTableHoldsWriteLock(table.Value(), *record) ? NMutexHolding::Held
                                                           : NMutexHolding::Free;
}

}  // namespace NOs
