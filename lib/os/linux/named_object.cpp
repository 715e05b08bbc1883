#include "os/linux/named_object.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "os/linux/errno_error.h"
#include "os/linux/retry_interrupted.h"
#include "os/object_error.h"

namespace NOs {
namespace NNamedObject {

NResult<NPlace> FindPlace(const std::string& name) {
    NResult<NObjectName> objectName = GetNamedObjectName(name);
    if (!objectName) {
        return objectName.Error();
    }
    NResult<NObjectFolder> folder = NObjectFolder::Open(objectName.Value());
    if (!folder) {
        return folder.Error();
    }
    return NPlace{objectName.Take(), folder.Take()};
}

namespace {

constexpr uint32_t kObjectMagic = 0x4F4E3651;  // "Q6NO"
constexpr uint32_t kObjectLayout = 2;

NObjectHeader HeaderOf(NObjectKind kind, size_t size) {
    return {kObjectMagic, static_cast<uint32_t>(kind), kObjectLayout, static_cast<uint32_t>(size)};
}

// The header tells the kind before the size is judged: a sound record of
// another kind is never taken for a damaged one.
NStatus CheckHeader(const NOpenEntry& opened, NObjectKind kind, size_t size) {
    NObjectHeader header{};
    if (opened.nSize < sizeof(header) ||
        !ReadEntryBytes(opened.fd.Get(), &header, sizeof(header))) {
        return NObjectError::Damaged;
    }
    const NObjectHeader expected = HeaderOf(kind, size);
    if (header.nMagic != expected.nMagic || header.nLayout != expected.nLayout) {
        return NObjectError::Damaged;
    }
    if (header.nKind != expected.nKind) {
        return NObjectError::OtherKind;
    }
    return header.nSize == expected.nSize && opened.nSize == size ? Ok()
                                                                  : NStatus(NObjectError::Damaged);
}

}  // namespace

NResult<NOpenEntry> OpenRecord(const NObjectFolder& folder, const std::string& entry,
                               NObjectKind kind, void* record, size_t size, bool writable) {
    NResult<NOpenEntry> opened = folder.OpenEntry(entry, writable, NObjectFolder::kAnySize);
    if (!opened) {
        return opened.Error();
    }
    if (const NStatus checked = CheckHeader(opened.Value(), kind, size); !checked) {
        return checked.Error();
    }
    if (const NStatus read = ReadEntryBytes(opened.Value().fd.Get(), record, size); !read) {
        return read.Error();
    }
    return opened;
}

NResult<NOpenEntry> CreateRecord(const NObjectFolder& folder, const std::string& entry,
                                 NObjectKind kind, void* record, size_t size, uint32_t mode) {
    const NObjectHeader header = HeaderOf(kind, size);
    std::memcpy(record, &header, sizeof(header));
    return folder.CreateEntry(entry, mode, [record, size](int fd) {
        const ssize_t written = RetryInterrupted([&] { return ::pwrite(fd, record, size, 0); });
        if (written < 0) {
            return NStatus(LastError());
        }
        return static_cast<size_t>(written) == size ? Ok() : NStatus(NObjectError::WrongSize);
    });
}

}  // namespace NNamedObject
}  // namespace NOs
