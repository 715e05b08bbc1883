#include "os/named_object_space.h"

#include <unistd.h>

#include "os/posix/named_object.h"

namespace NOs {
namespace {

constexpr char kGlobalPrefix[] = "Global\\";
constexpr char kLocalPrefix[] = "Local\\";
constexpr uint32_t kObjectMagic = 0x4F4E3651;  // "Q6NO"
constexpr uint32_t kObjectLayout = 1;
// Objects are small; these modes make the object readable and writable by
// everyone, or by its creator as any new file (the umask applies).
constexpr uint32_t kObjectMode = 0666;

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool IsGlobal(const std::string& name) { return StartsWith(name, kGlobalPrefix); }

std::string LocalScope() { return "Local." + std::to_string(::geteuid()); }

// An object in the caller's Local space must be the caller's own.
bool IsUsable(const std::string& name, const NSharedMemory& memory) {
    return IsGlobal(name) || memory.GetOwner() == ::geteuid();
}

bool HasKind(const NSharedMemory& memory, NObjectKind kind, size_t size) {
    if (memory.GetSize() != size) {
        return false;
    }
    const auto* header = static_cast<const NObjectHeader*>(memory.GetData());
    return header->nMagic == kObjectMagic && header->nKind == static_cast<uint32_t>(kind) &&
           header->nLayout == kObjectLayout && header->nSize == size;
}

}  // namespace

std::string GetNamedObjectShmName(const std::string& name) {
    if (IsGlobal(name)) {
        return MakeSharedMemoryName("Global", name.substr(sizeof(kGlobalPrefix) - 1));
    }
    const size_t skipped = StartsWith(name, kLocalPrefix) ? sizeof(kLocalPrefix) - 1 : 0;
    return MakeSharedMemoryName(LocalScope(), name.substr(skipped));
}

bool RemoveNamedObject(const std::string& name) {
    return RemoveSharedMemory(GetNamedObjectShmName(name));
}

namespace NNamedObject {

std::unique_ptr<NSharedMemory> Create(const std::string& name, NObjectKind kind, size_t size,
                                      NObjectAccess access, const std::function<bool(void*)>& init,
                                      bool* existed) {
    const NShmLayout layout{
        size, kObjectMode, access == NObjectAccess::Everyone ? NShmUmask::Ignore : NShmUmask::Apply,
        IsGlobal(name) ? NShmOwner::Anyone : NShmOwner::Caller};
    const auto prepare = [&](void* data) {
        *static_cast<NObjectHeader*>(data) = NObjectHeader{
            kObjectMagic, static_cast<uint32_t>(kind), kObjectLayout, static_cast<uint32_t>(size)};
        return init(data);
    };
    std::unique_ptr<NSharedMemory> memory =
        NSharedMemory::Create(GetNamedObjectShmName(name), layout, prepare, existed);
    return memory && HasKind(*memory, kind, size) ? std::move(memory) : nullptr;
}

std::unique_ptr<NSharedMemory> Open(const std::string& name, NObjectKind kind, size_t size) {
    std::unique_ptr<NSharedMemory> memory = NSharedMemory::Open(GetNamedObjectShmName(name), true);
    return memory && IsUsable(name, *memory) && HasKind(*memory, kind, size) ? std::move(memory)
                                                                             : nullptr;
}

}  // namespace NNamedObject
}  // namespace NOs
