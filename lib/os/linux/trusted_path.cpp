#include "os/linux/trusted_path.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <vector>

#include "os/linux/errno_error.h"
#include "os/module_file.h"
#include "text/path_text.h"

namespace NOs {
namespace {

// As many links as the kernel follows in one path.
constexpr int kMaxLinks = 40;
constexpr mode_t kWritableByOthers = S_IWGRP | S_IWOTH;

uid_t ProgramOwner() {
    static const uid_t owner = [] {
        const NResult<std::string> program = GetModuleFilePath(nullptr);
        struct stat info {};
        return program && ::stat(program.Value().c_str(), &info) == 0 ? info.st_uid : uid_t{0};
    }();
    return owner;
}

// The names of path, last first, so that the walk takes them from the back
// and a link's target goes in where the link stood.
void PushNames(std::string_view path, std::vector<std::string>& names) {
    std::vector<std::string> forward;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        if (end > start) {
            forward.emplace_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    names.insert(names.end(), forward.rbegin(), forward.rend());
}

// A folder that every account may write, but where only an entry's owner
// may remove or rename it.
bool IsSharedSticky(const struct stat& folder) {
    return (folder.st_mode & kWritableByOthers) != 0 && (folder.st_mode & S_ISVTX) != 0;
}

NStatus CheckFolder(const struct stat& folder) {
    if (!IsTrustedAccount(folder.st_uid) ||
        ((folder.st_mode & kWritableByOthers) != 0 && !IsSharedSticky(folder))) {
        return NObjectError::UnsafeFolder;
    }
    return Ok();
}

NResult<std::string> ReadLink(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof(target));
    if (length < 0) {
        return LastError();
    }
    if (static_cast<size_t>(length) >= sizeof(target)) {
        return std::errc::filename_too_long;
    }
    return std::string(target, static_cast<size_t>(length));
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/') {
        return path;
    }
    char folder[PATH_MAX];
    return ::getcwd(folder, sizeof(folder)) != nullptr ? JoinPath(folder, path) : "/" + path;
}

// One walk from the root down: the folder reached so far and how it may be
// changed.
class NTrustedWalk {
public:
    explicit NTrustedWalk(NLastLink last) : m_eLast(last) {}

    NResult<std::string> Walk(const std::string& path) {
        PushNames(AbsolutePath(path), m_vecNames);
        if (NStatus root = EnterRoot(); !root) {
            return root.Error();
        }
        while (!m_vecNames.empty()) {
            const std::string name = std::move(m_vecNames.back());
            m_vecNames.pop_back();
            if (NStatus stepped = Step(name); !stepped) {
                return stepped.Error();
            }
        }
        return m_strFolder.empty() ? std::string("/") : m_strFolder;
    }

private:
    // The root anchors every path: it is looked at once per process, since
    // only root could change it, and each cycle of the agent walks a path.
    NStatus EnterRoot() {
        static const NResult<struct stat> root = []() -> NResult<struct stat> {
            struct stat info {};
            return ::lstat("/", &info) == 0 ? NResult<struct stat>(info) : LastError();
        }
        ();
        if (!root) {
            return root.Error();
        }
        m_strFolder.clear();
        m_folder = root.Value();
        return CheckFolder(m_folder);
    }

    NStatus Step(const std::string& name) {
        if (name == ".") {
            return Ok();
        }
        if (name == "..") {
            // Every folder so far is real and checked: its parent was too.
            m_strFolder = std::string(ParentFolder(m_strFolder));
            return ::lstat(m_strFolder.empty() ? "/" : m_strFolder.c_str(), &m_folder) == 0
                       ? Ok()
                       : NStatus(LastError());
        }
        const std::string entryPath = JoinPath(m_strFolder, name);
        const bool isLast = m_vecNames.empty();
        struct stat entry {};
        if (::lstat(entryPath.c_str(), &entry) != 0) {
            return errno == ENOENT && isLast ? Arrive(entryPath) : NStatus(LastError());
        }
        if (IsSharedSticky(m_folder) && !IsTrustedAccount(entry.st_uid)) {
            return NObjectError::UnsafeFolder;
        }
        if (S_ISLNK(entry.st_mode) && !(isLast && m_eLast == NLastLink::Keep)) {
            return FollowLink(entryPath);
        }
        if (S_ISDIR(entry.st_mode)) {
            if (NStatus folder = CheckFolder(entry); !folder) {
                return folder;
            }
            m_folder = entry;
            m_strFolder = entryPath;
            return Ok();
        }
        return isLast ? Arrive(entryPath) : NStatus(std::errc::not_a_directory);
    }

    NStatus FollowLink(const std::string& linkPath) {
        if (++m_nLinks > kMaxLinks) {
            return std::errc::too_many_symbolic_link_levels;
        }
        NResult<std::string> target = ReadLink(linkPath);
        if (!target) {
            return target.Error();
        }
        PushNames(target.Value(), m_vecNames);
        return !target.Value().empty() && target.Value().front() == '/' ? EnterRoot() : Ok();
    }

    // The last entry is not a folder to walk into: the walk ends at it.
    NStatus Arrive(const std::string& entryPath) {
        m_strFolder = entryPath;
        m_vecNames.clear();
        return Ok();
    }

    NLastLink m_eLast;
    std::vector<std::string> m_vecNames;
    std::string m_strFolder;  // empty for the root
    struct stat m_folder {};
    int m_nLinks = 0;
};

}  // namespace

bool IsTrustedAccount(uid_t uid) { return uid == 0 || uid == ::geteuid() || uid == ProgramOwner(); }

NResult<std::string> ResolveTrustedPath(const std::string& path, NLastLink last) {
    if (path.empty()) {
        return std::errc::no_such_file_or_directory;
    }
    return NTrustedWalk(last).Walk(path);
}

NResult<NTrustedFile> OpenTrustedFile(const std::string& path) {
    const std::string_view name = LastName(path);
    if (name.empty() || name == "." || name == "..") {
        return std::errc::invalid_argument;
    }
    // The folder's walk; the file itself is checked once it is open.
    const std::string_view folder = ParentFolder(path);
    const NResult<std::string> resolved = ResolveTrustedPath(
        folder.empty() ? std::string(path.front() == '/' ? "/" : ".") : std::string(folder),
        NLastLink::Follow);
    if (!resolved) {
        return resolved.Error();
    }
    NTrustedFile file{NUniqueFd(::open(JoinPath(resolved.Value(), name).c_str(),
                                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC))};
    struct stat info {};
    if (!file.fd.IsValid() || ::fstat(file.fd.Get(), &info) != 0) {
        return LastError();
    }
    if (!S_ISREG(info.st_mode)) {
        return NObjectError::NotRegular;
    }
    if (!IsTrustedAccount(info.st_uid) || (info.st_mode & kWritableByOthers) != 0) {
        return NObjectError::Untrusted;
    }
    file.nSize = static_cast<uint64_t>(info.st_size);
    return file;
}

}  // namespace NOs
