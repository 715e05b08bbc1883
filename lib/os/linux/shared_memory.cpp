#include "os/linux/shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include "os/linux/errno_error.h"
#include "os/linux/named_object.h"
#include "os/linux/object_folder.h"
#include "os/named_object_space.h"
#include "os/object_error.h"

namespace NOs {
namespace {

NResult<void*> MapEntry(const NOpenEntry& entry, bool writable) {
    const int protection = writable ? PROT_READ | PROT_WRITE : PROT_READ;
    void* data = ::mmap(nullptr, entry.nSize, protection, MAP_SHARED, entry.fd.Get(), 0);
    if (data == MAP_FAILED) {
        return LastError();
    }
    return data;
}

// The object's file, checked to be what an object of size bytes is.
NResult<NOpenEntry> OpenObject(const NObjectName& name, bool writable, size_t size) {
    NResult<NObjectFolder> folder = NObjectFolder::Open(name);
    if (!folder) {
        return folder.Error();
    }
    return folder.Value().OpenEntry(name.strEntry, writable, size);
}

// A new object: sized, mapped and filled before it gets a name.
class NNewObject {
public:
    NNewObject(size_t size, const std::function<bool(void*)>& init) : m_nSize(size), m_init(init) {}
    ~NNewObject() {
        if (m_pData != nullptr) {
            ::munmap(m_pData, m_nSize);
        }
    }
    NNewObject(const NNewObject&) = delete;
    NNewObject& operator=(const NNewObject&) = delete;

    // Every page is allocated now: a write to a page of the mapping can
    // then never fail for want of space (which would raise SIGBUS).
    NStatus Prepare(int fd) {
        if (const int error = ::posix_fallocate(fd, 0, static_cast<off_t>(m_nSize)); error != 0) {
            return NError::FromErrno(error);
        }
        void* data = ::mmap(nullptr, m_nSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (data == MAP_FAILED) {
            return LastError();
        }
        m_pData = data;
        return m_init(m_pData) ? Ok() : NStatus(NObjectError::Damaged);
    }

    void* Release() { return std::exchange(m_pData, nullptr); }

private:
    size_t m_nSize;
    const std::function<bool(void*)>& m_init;
    void* m_pData = nullptr;
};

}  // namespace

NSharedMemory::NSharedMemory(NObjectName name, void* data, size_t size, NIdentity identity)
    : m_name(std::move(name)), m_pData(data), m_nSize(size), m_identity(identity) {}

NSharedMemory::~NSharedMemory() {
    if (m_pData != nullptr) {
        ::munmap(m_pData, m_nSize);
    }
}

NStatus NSharedMemory::TakePlaceOf(NSharedMemory& older) {
    if (older.m_nSize != m_nSize || older.m_pData == nullptr) {
        return NObjectError::WrongSize;
    }
    // The kernel replaces what is mapped at the target as one change of the
    // address space: a reader there never finds it unmapped.
    void* moved = ::mremap(m_pData, m_nSize, m_nSize, MREMAP_MAYMOVE | MREMAP_FIXED, older.m_pData);
    if (moved == MAP_FAILED) {
        return LastError();
    }
    m_pData = moved;
    older.m_pData = nullptr;
    return Ok();
}

NResult<std::unique_ptr<NSharedMemory>> NSharedMemory::Open(const NObjectName& name, size_t size,
                                                            bool writable) {
    NResult<NOpenEntry> entry = OpenObject(name, writable, size);
    if (!entry) {
        return entry.Error();
    }
    NResult<void*> data = MapEntry(entry.Value(), writable);
    if (!data) {
        return data.Error();
    }
    const NFileId& id = entry.Value().id;
    return std::unique_ptr<NSharedMemory>(
        new NSharedMemory(name, data.Value(), size, {id.nDevice, id.nInode}));
}

NResult<std::unique_ptr<NSharedMemory>> NSharedMemory::Create(
    const NObjectName& name, const NShmLayout& layout, const std::function<bool(void*)>& init,
    bool* existed) {
    if (layout.nSize == 0) {
        return NObjectError::WrongSize;
    }
    NResult<NObjectFolder> opened = NObjectFolder::Open(name);
    if (!opened || !opened.Value().IsOwnedByCaller()) {
        const bool owner = opened ? false : OwnsObjectSpace(name.eSpace);
        return owner ? opened.Error() : NError(NObjectError::NotPermitted);
    }
    const NObjectFolder& folder = opened.Value();
    const auto wrap = [&name, &layout](void* data, const NFileId& id) {
        return std::unique_ptr<NSharedMemory>(
            new NSharedMemory(name, data, layout.nSize, {id.nDevice, id.nInode}));
    };
    const auto open = [&]() -> NResult<std::unique_ptr<NSharedMemory>> {
        NResult<NOpenEntry> found = folder.OpenEntry(name.strEntry, true, layout.nSize);
        if (!found) {
            return found.Error();
        }
        NResult<void*> data = MapEntry(found.Value(), true);
        if (!data) {
            return data.Error();
        }
        return wrap(data.Value(), found.Value().id);
    };
    const auto make = [&]() -> NResult<std::unique_ptr<NSharedMemory>> {
        NNewObject object(layout.nSize, init);
        NResult<NOpenEntry> made = folder.CreateEntry(
            name.strEntry, layout.nMode, [&object](int fd) { return object.Prepare(fd); });
        if (!made) {
            return made.Error();
        }
        return wrap(object.Release(), made.Value().id);
    };
    bool made = false;
    NResult<std::unique_ptr<NSharedMemory>> memory =
        FindOrMake(folder, name.strEntry, open, make, &made);
    *existed = !made;
    return memory;
}

bool NSharedMemory::IsNamed() const {
    const NResult<NObjectFolder> folder = NObjectFolder::Open(m_name);
    if (!folder) {
        return false;
    }
    // Opened again, so that it is checked again as it was when first opened.
    const NResult<NOpenEntry> entry = folder.Value().OpenEntry(m_name.strEntry, false, m_nSize);
    return entry && entry.Value().id == NFileId{m_identity.nDevice, m_identity.nInode};
}

NStatus NSharedMemory::Unlink() const {
    const NResult<NObjectFolder> folder = NObjectFolder::Open(m_name);
    if (!folder) {
        return folder.Error();
    }
    return folder.Value().RemoveEntryIfSame(m_name.strEntry,
                                            NFileId{m_identity.nDevice, m_identity.nInode});
}

NStatus RemoveSharedMemory(const NObjectName& name) {
    const NResult<NObjectFolder> folder = NObjectFolder::OpenOwn(name.eSpace, name.strNamespace);
    return folder ? folder.Value().RemoveEntry(name.strEntry) : NStatus(folder.Error());
}

NStatus RemoveSharedMemoryScope(NObjectSpace space, const std::string& scope) {
    const NResult<std::string> objectNamespace = GetObjectNamespace();
    if (!objectNamespace) {
        return objectNamespace.Error();
    }
    const NResult<NObjectFolder> folder = NObjectFolder::OpenOwn(space, objectNamespace.Value());
    if (!folder) {
        return folder.Error();
    }
    return folder.Value().RemoveEntries(scope + ".", [](const std::string&) {});
}

NStatus ReadSharedMemory(const NObjectName& name, void* buffer, size_t size) {
    NResult<NOpenEntry> entry = OpenObject(name, false, size);
    if (!entry) {
        return entry.Error();
    }
    return ReadEntryBytes(entry.Value().fd.Get(), buffer, size);
}

}  // namespace NOs
