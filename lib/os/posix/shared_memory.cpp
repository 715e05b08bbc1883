#include "os/shared_memory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <optional>

#include "os/environment.h"

namespace NOs {
namespace {

constexpr char kShmFolder[] = "/dev/shm/";
constexpr size_t kMaxNamespace = 32;
// Create gives up when the name keeps appearing and vanishing under it.
constexpr int kCreateAttempts = 8;

// Tells the temporary objects of one process apart.
std::atomic<uint32_t> g_nTempCounter{0};

class NFileHandle {
public:
    explicit NFileHandle(int fd) : m_nFd(fd) {}
    ~NFileHandle() {
        if (m_nFd >= 0) {
            ::close(m_nFd);
        }
    }
    NFileHandle(const NFileHandle&) = delete;
    NFileHandle& operator=(const NFileHandle&) = delete;

    bool IsValid() const { return m_nFd >= 0; }
    int Get() const { return m_nFd; }

private:
    int m_nFd;
};

// Removes a temporary object's name when the creation is over, whatever its
// outcome: a published object lives on under its final name.
class NTempName {
public:
    explicit NTempName(std::string path) : m_strPath(std::move(path)) {}
    ~NTempName() { ::unlink(m_strPath.c_str()); }
    NTempName(const NTempName&) = delete;
    NTempName& operator=(const NTempName&) = delete;

    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};

bool IsNamespaceChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
}

// "q6." or "q6-NS."; nothing when the namespace variable is invalid.
std::optional<std::string> GetNamespacePrefix() {
    const std::optional<std::string> space = GetEnvironment(kShmNamespaceVariable);
    if (!space || space->empty()) {
        return std::string("q6.");
    }
    if (space->size() > kMaxNamespace ||
        !std::all_of(space->begin(), space->end(), IsNamespaceChar)) {
        return std::nullopt;
    }
    return "q6-" + *space + ".";
}

std::optional<std::string> GetScopePrefix(const std::string& scope) {
    std::optional<std::string> prefix = GetNamespacePrefix();
    if (prefix) {
        *prefix += scope + ".";
    }
    return prefix;
}

void AppendEscaped(std::string& out, const std::string& name) {
    for (const char c : name) {
        switch (c) {
            case '%':
                out += "%25";
                break;
            case '/':
                out += "%2F";
                break;
            case '\\':
                out += "%5C";
                break;
            default:
                out += c;
                break;
        }
    }
}

int OpenObject(const std::string& objectName, int flags, mode_t mode = 0) {
    const std::string path = GetSharedMemoryPath(objectName);
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Only a regular file with content can be mapped (or read as an object).
bool IsMappable(const struct stat& info) { return S_ISREG(info.st_mode) && info.st_size > 0; }

// Removes the name unless it refers to another object than device and inode;
// true when the name no longer refers to that object.
bool UnlinkIfSame(const std::string& objectName, uint64_t device, uint64_t inode) {
    const std::string path = GetSharedMemoryPath(objectName);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT;
    }
    if (info.st_dev != device || info.st_ino != inode) {
        return true;
    }
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace

std::string MakeSharedMemoryName(const std::string& scope, const std::string& name) {
    std::optional<std::string> result = GetScopePrefix(scope);
    if (!result || name.empty() || name.find('\0') != std::string::npos) {
        return {};
    }
    AppendEscaped(*result, name);
    return result->size() <= kMaxSharedMemoryName ? *result : std::string();
}

std::string GetSharedMemoryPath(const std::string& objectName) { return kShmFolder + objectName; }

NSharedMemory::NSharedMemory(std::string objectName, void* data, size_t size, uint32_t owner,
                             uint64_t device, uint64_t inode)
    : m_strName(std::move(objectName)),
      m_pData(data),
      m_nSize(size),
      m_nOwner(owner),
      m_nDevice(device),
      m_nInode(inode) {}

NSharedMemory::~NSharedMemory() { ::munmap(m_pData, m_nSize); }

std::unique_ptr<NSharedMemory> NSharedMemory::Map(const std::string& objectName, int fd,
                                                  const struct stat& info, bool writable) {
    if (!IsMappable(info)) {
        return nullptr;
    }
    const size_t size = static_cast<size_t>(info.st_size);
    const int protection = writable ? PROT_READ | PROT_WRITE : PROT_READ;
    void* data = ::mmap(nullptr, size, protection, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) {
        return nullptr;
    }
    return std::unique_ptr<NSharedMemory>(
        new NSharedMemory(objectName, data, size, info.st_uid, info.st_dev, info.st_ino));
}

std::unique_ptr<NSharedMemory> NSharedMemory::Open(const std::string& objectName, bool writable) {
    if (objectName.empty()) {
        return nullptr;
    }
    const NFileHandle file(OpenObject(objectName, writable ? O_RDWR : O_RDONLY));
    struct stat info {};
    return file.IsValid() && ::fstat(file.Get(), &info) == 0
               ? Map(objectName, file.Get(), info, writable)
               : nullptr;
}

std::unique_ptr<NSharedMemory> NSharedMemory::CreateNew(const std::string& objectName,
                                                        const NShmLayout& layout,
                                                        const std::function<bool(void*)>& init,
                                                        bool* nameTaken) {
    const std::string tempName =
        "q6tmp." + std::to_string(::getpid()) + "." + std::to_string(g_nTempCounter++);
    const mode_t createMode = layout.eUmask == NShmUmask::Apply ? layout.nMode : 0600;
    const NFileHandle file(OpenObject(tempName, O_RDWR | O_CREAT | O_EXCL, createMode));
    if (!file.IsValid()) {
        return nullptr;
    }
    const NTempName temp(GetSharedMemoryPath(tempName));
    struct stat info {};
    if (::ftruncate(file.Get(), static_cast<off_t>(layout.nSize)) != 0 ||
        ::fstat(file.Get(), &info) != 0) {
        return nullptr;
    }
    std::unique_ptr<NSharedMemory> memory = Map(objectName, file.Get(), info, true);
    if (!memory || !init(memory->GetData())) {
        return nullptr;
    }
    if (layout.eUmask == NShmUmask::Ignore && ::fchmod(file.Get(), layout.nMode) != 0) {
        return nullptr;
    }
    // link fails when the name exists: the first complete object wins.
    if (::link(temp.Path().c_str(), GetSharedMemoryPath(objectName).c_str()) != 0) {
        *nameTaken = errno == EEXIST;
        return nullptr;
    }
    return memory;
}

std::unique_ptr<NSharedMemory> NSharedMemory::Create(const std::string& objectName,
                                                     const NShmLayout& layout,
                                                     const std::function<bool(void*)>& init,
                                                     bool* existed) {
    if (objectName.empty() || layout.nSize == 0) {
        return nullptr;
    }
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const NFileHandle file(OpenObject(objectName, O_RDWR));
        if (file.IsValid()) {
            struct stat info {};
            if (::fstat(file.Get(), &info) != 0) {
                return nullptr;
            }
            if (layout.eOwner == NShmOwner::Caller && info.st_uid != ::geteuid()) {
                if (!UnlinkIfSame(objectName, info.st_dev, info.st_ino)) {
                    return nullptr;
                }
                continue;
            }
            *existed = true;
            return Map(objectName, file.Get(), info, true);
        }
        if (errno != ENOENT) {
            return nullptr;
        }
        bool nameTaken = false;
        std::unique_ptr<NSharedMemory> memory = CreateNew(objectName, layout, init, &nameTaken);
        if (memory || !nameTaken) {
            *existed = false;
            return memory;
        }
    }
    return nullptr;
}

bool NSharedMemory::IsNamed() const {
    struct stat info {};
    return ::lstat(GetSharedMemoryPath(m_strName).c_str(), &info) == 0 &&
           info.st_dev == m_nDevice && info.st_ino == m_nInode;
}

bool NSharedMemory::Unlink() const { return UnlinkIfSame(m_strName, m_nDevice, m_nInode); }

std::optional<size_t> ReadSharedMemory(const std::string& objectName, void* buffer, size_t size) {
    if (objectName.empty()) {
        return std::nullopt;
    }
    const NFileHandle file(OpenObject(objectName, O_RDONLY));
    struct stat info {};
    if (!file.IsValid() || ::fstat(file.Get(), &info) != 0 || !IsMappable(info)) {
        return std::nullopt;
    }
    const size_t wanted = std::min(size, static_cast<size_t>(info.st_size));
    ssize_t count = 0;
    do {
        count = ::pread(file.Get(), buffer, wanted, 0);
    } while (count < 0 && errno == EINTR);
    if (count < 0 || static_cast<size_t>(count) != wanted) {
        return std::nullopt;
    }
    return static_cast<size_t>(info.st_size);
}

bool RemoveSharedMemory(const std::string& objectName) {
    if (objectName.empty()) {
        return false;
    }
    return ::unlink(GetSharedMemoryPath(objectName).c_str()) == 0 || errno == ENOENT;
}

bool RemoveSharedMemoryScope(const std::string& scope) {
    const std::optional<std::string> prefix = GetScopePrefix(scope);
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(kShmFolder), &::closedir);
    if (!prefix || !folder) {
        return false;
    }
    bool allRemoved = true;
    while (const dirent* entry = ::readdir(folder.get())) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix->size(), *prefix) == 0) {
            allRemoved = RemoveSharedMemory(name) && allRemoved;
        }
    }
    return allRemoved;
}

}  // namespace NOs
