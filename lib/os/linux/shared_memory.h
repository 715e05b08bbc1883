#pragma once
// Shared memory: named objects (object_name.h) of a fixed size, each mapped
// whole, that processes read and write in place.
//
// An object is used only when it is what its name must hold: a plain file of
// its space's owner, of exactly the size asked for. Only the space's owner
// creates and replaces objects (named_object_space.h); other accounts map the
// machine's objects for reading. Since nobody but the owner can change an
// object's size, a mapping can never lose its pages under a reader.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "os/object_name.h"
#include "os/result.h"

namespace NOs {

struct NShmLayout {
    size_t nSize;
    uint32_t nMode;  // exactly, whatever the umask
};

class NSharedMemory {
public:
    ~NSharedMemory();
    NSharedMemory(const NSharedMemory&) = delete;
    NSharedMemory& operator=(const NSharedMemory&) = delete;

    // Maps an existing object of size bytes, for reading or for reading and
    // writing.
    static NResult<std::unique_ptr<NSharedMemory>> Open(const NObjectName& name, size_t size,
                                                        bool writable);

    // Maps the object for reading and writing, creating it when it is
    // missing; only the space's owner may. A new object is filled by init
    // (false abandons it) and gets its mode before it appears under its name,
    // so no process ever sees it half made. Whatever else stands under the
    // name (another owner, size or kind of file) is replaced. *existed tells
    // whether an existing object was opened; its content is the caller's to
    // check.
    static NResult<std::unique_ptr<NSharedMemory>> Create(const NObjectName& name,
                                                          const NShmLayout& layout,
                                                          const std::function<bool(void*)>& init,
                                                          bool* existed);

    void* GetData() const { return m_pData; }
    size_t GetSize() const { return m_nSize; }
    // Tells the object apart from the others made under its name: the file
    // system numbers each new one anew.
    uint64_t ObjectNumber() const { return m_identity.nInode; }

    // True while the object's name refers to this object, and the object is
    // still what Open checks: false once the name was removed, or names
    // another object, or the object's owner or size changed.
    bool IsNamed() const;

    // Removes the object's name, unless the name already refers to another
    // object (which is left alone).
    NStatus Unlink() const;

    // Puts this mapping where older is mapped, in one step, so that whoever
    // reads older's address from then on reads this object; older's own
    // object is unmapped. Both must have the same size.
    NStatus TakePlaceOf(NSharedMemory& older);

private:
    struct NIdentity {
        uint64_t nDevice;
        uint64_t nInode;
    };

    NSharedMemory(NObjectName name, void* data, size_t size, NIdentity identity);

    NObjectName m_name;
    void* m_pData;  // null once another mapping took its place
    size_t m_nSize;
    NIdentity m_identity;
};

// Removes the object; succeeds when it is gone or was not there. Mappings
// that are open keep working on the removed object.
NStatus RemoveSharedMemory(const NObjectName& name);

// Removes every object of scope in the space.
NStatus RemoveSharedMemoryScope(NObjectSpace space, const std::string& scope);

// Copies an existing object of exactly size bytes into buffer, checked as
// Open checks it, without mapping it: for a small object read once this
// saves the mapping and, above all, its removal.
NStatus ReadSharedMemory(const NObjectName& name, void* buffer, size_t size);

}  // namespace NOs
