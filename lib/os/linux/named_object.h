#pragma once
// What the named events and mutexes share: a record under the object's name
// that tells its kind, read and written as a small file, never mapped.

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

#include "os/linux/object_folder.h"
#include "os/object_name.h"
#include "os/result.h"

namespace NOs {

enum class NObjectKind : uint32_t { Event = 1, Mutex = 2 };

// First member of every record.
struct NObjectHeader {
    uint32_t nMagic;
    uint32_t nKind;
    uint32_t nLayout;
    uint32_t nSize;  // of the whole record
};

// An event's state is a System V semaphore of one value (0 non-signalled,
// anything else signalled), which any account that the semaphore's mode lets
// in can set and wait, but which only its creator can remove or re-mode, and
// which has no memory that another account could shrink.
struct NEventRecord {
    NObjectHeader header;
    uint32_t nManualReset;
    int32_t nSemaphoreKey;
    int32_t nSemaphoreId;
    uint32_t nReserved;
};

// A mutex is a lock held on its record.
struct NMutexRecord {
    NObjectHeader header;
};

namespace NNamedObject {

// Where a named event or mutex lives: its object name and its space's folder.
struct NPlace {
    NObjectName name;
    NObjectFolder folder;
};

// BadName for a name that cannot be used.
NResult<NPlace> FindPlace(const std::string& name);

// Opens the record of kind under entry and reads it into record (size
// bytes): a plain file of the space's owner, exactly size bytes, whose header
// tells kind. OtherKind for a sound record of another kind, Damaged for a
// header that is not sound.
NResult<NOpenEntry> OpenRecord(const NObjectFolder& folder, const std::string& entry,
                               NObjectKind kind, void* record, size_t size, bool writable);

// Puts a new record of kind under entry, its header filled in; EEXIST when
// the name is taken meanwhile.
NResult<NOpenEntry> CreateRecord(const NObjectFolder& folder, const std::string& entry,
                                 NObjectKind kind, void* record, size_t size, uint32_t mode);

}  // namespace NNamedObject
}  // namespace NOs
