#pragma once
// Named POSIX shared-memory objects (files in /dev/shm), each mapped whole.
//
// Object names come from MakeSharedMemoryName: "q6.SCOPE.NAME", or
// "q6-NS.SCOPE.NAME" when the environment variable Q6_SHM_NAMESPACE holds NS
// (1 to 32 letters, digits, '-' or '_'; empty counts as unset). A namespace
// keeps test runs apart from the machine's objects and from each other; an
// invalid one makes every name fail rather than fall back to the machine's
// objects.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

struct stat;

namespace NOs {

constexpr char kShmNamespaceVariable[] = "Q6_SHM_NAMESPACE";

// Longest object name (bytes); the rest of NAME_MAX is kept for the
// temporary names used while an object is created.
constexpr size_t kMaxSharedMemoryName = 200;

// The object name of name within scope: '%', '/' and '\' in name become
// "%25", "%2F" and "%5C". Empty when name is empty, holds a zero byte, or the
// result would be longer than kMaxSharedMemoryName.
std::string MakeSharedMemoryName(const std::string& scope, const std::string& name);

// The file that holds the object.
std::string GetSharedMemoryPath(const std::string& objectName);

// How a new object gets its mode: like any new file (the umask applies), or
// exactly as asked.
enum class NShmUmask { Apply, Ignore };

// Which existing object may be used by Create: anyone's, or only one that the
// calling account owns; an object of another account is then removed and
// replaced (which fails where the system does not allow the removal).
enum class NShmOwner { Anyone, Caller };

struct NShmLayout {
    size_t nSize;
    uint32_t nMode;
    NShmUmask eUmask;
    NShmOwner eOwner;
};

class NSharedMemory {
public:
    ~NSharedMemory();
    NSharedMemory(const NSharedMemory&) = delete;
    NSharedMemory& operator=(const NSharedMemory&) = delete;

    // Maps an existing object; null when it is missing, is not a regular file,
    // is empty or cannot be opened with the access asked for.
    static std::unique_ptr<NSharedMemory> Open(const std::string& objectName, bool writable);

    // Maps the object for reading and writing, creating it when it is missing.
    // A new object is filled by init (false abandons it) and gets its mode
    // before it appears under its name, so no process ever sees it half made.
    // *existed tells whether an existing object was opened; its content is the
    // caller's to check. Null on failure.
    static std::unique_ptr<NSharedMemory> Create(const std::string& objectName,
                                                 const NShmLayout& layout,
                                                 const std::function<bool(void*)>& init,
                                                 bool* existed);

    void* GetData() const { return m_pData; }
    size_t GetSize() const { return m_nSize; }
    uint32_t GetOwner() const { return m_nOwner; }

    // True while the object's name refers to this object: false once the
    // name was removed, or now names another object.
    bool IsNamed() const;

    // Removes the object's name, unless the name already refers to another
    // object (which is left alone). True when the name no longer refers to
    // this object.
    bool Unlink() const;

private:
    NSharedMemory(std::string objectName, void* data, size_t size, uint32_t owner, uint64_t device,
                  uint64_t inode);

    // info: the file's status, read once by the caller.
    static std::unique_ptr<NSharedMemory> Map(const std::string& objectName, int fd,
                                              const struct stat& info, bool writable);
    static std::unique_ptr<NSharedMemory> CreateNew(const std::string& objectName,
                                                    const NShmLayout& layout,
                                                    const std::function<bool(void*)>& init,
                                                    bool* nameTaken);

    std::string m_strName;
    void* m_pData;
    size_t m_nSize;
    uint32_t m_nOwner;
    uint64_t m_nDevice;
    uint64_t m_nInode;
};

// Copies the first bytes of an existing object into buffer, at most size of
// them, without mapping it: for a small object read once this saves the
// mapping and, above all, its removal. The object's size; nothing when it is
// missing, is not a regular file, is empty or cannot be read.
std::optional<size_t> ReadSharedMemory(const std::string& objectName, void* buffer, size_t size);

// Removes the object; true when it is gone (or was not there).
bool RemoveSharedMemory(const std::string& objectName);

// Removes every object of scope; true when none is left.
bool RemoveSharedMemoryScope(const std::string& scope);

}  // namespace NOs
