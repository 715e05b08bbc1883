#include "os/registry_store.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <vector>

#include "os/environment.h"
#include "os/module_file.h"
#include "os/reg_file_parser.h"

namespace NOs {
namespace {

constexpr std::string_view kRegExtension = ".reg";

std::optional<std::u16string_view> RootName(NRegRoot root) {
    switch (root) {
        case NRegRoot::ClassesRoot:
            return u"HKEY_CLASSES_ROOT";
        case NRegRoot::CurrentUser:
            return u"HKEY_CURRENT_USER";
        case NRegRoot::LocalMachine:
            return u"HKEY_LOCAL_MACHINE";
        case NRegRoot::Users:
            return u"HKEY_USERS";
        case NRegRoot::CurrentConfig:
            return u"HKEY_CURRENT_CONFIG";
    }
    return std::nullopt;
}

// Full key path (root name first); nothing for an unknown root or a subkey
// that begins with '\'.
std::optional<std::u16string> FullKeyPath(NRegRoot root, std::u16string_view subKey) {
    const std::optional<std::u16string_view> rootName = RootName(root);
    if (!rootName) return std::nullopt;
    std::u16string path(*rootName);
    if (!subKey.empty()) {
        path += u'\\';
        path += subKey;
    }
    if (!NormalizeRegPath(path)) return std::nullopt;
    return path;
}

bool IsRootPath(const std::u16string& path) { return path.find(u'\\') == std::u16string::npos; }

bool HasRegExtension(const std::string& name) {
    if (name.size() <= kRegExtension.size()) return false;
    const std::string_view tail = std::string_view(name).substr(name.size() - kRegExtension.size());
    return std::equal(tail.begin(), tail.end(), kRegExtension.begin(), [](char left, char right) {
        return std::tolower(static_cast<unsigned char>(left)) == right;
    });
}

bool IsReadableRegFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           static_cast<uint64_t>(info.st_size) <= kMaxRegFileSize;
}

std::vector<std::string> ListRegFiles(const std::string& folder) {
    std::vector<std::string> paths;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir) return paths;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string path = folder + '/' + entry->d_name;
        if (HasRegExtension(entry->d_name) && IsReadableRegFile(path)) paths.push_back(path);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) return std::nullopt;
    return bytes;
}

// Keys created by this process; they have no values.
std::mutex g_mutexCreatedKeys;
NRegTree g_treeCreatedKeys;

bool WasCreated(const std::u16string& path) {
    const std::lock_guard<std::mutex> lock(g_mutexCreatedKeys);
    return g_treeCreatedKeys.FindKey(path) != nullptr;
}

std::unique_ptr<NRegKey> OpenFullPath(const std::u16string& path) {
    NRegTree tree;
    LoadRegistryFolder(GetRegistryFolder(), tree);
    if (const NRegKey* key = tree.FindKey(path)) return std::make_unique<NRegKey>(*key);
    if (IsRootPath(path) || WasCreated(path)) return std::make_unique<NRegKey>();
    return nullptr;
}

}  // namespace

std::string GetRegistryFolder() {
    const std::optional<std::string> configured = GetEnvironment(kRegistryFolderVariable);
    if (configured && !configured->empty()) return *configured;
    const std::string executable = GetModuleFilePath(nullptr);
    const size_t slash = executable.rfind('/');
    if (slash == std::string::npos) return {};  // no folder to read
    return executable.substr(0, slash + 1) + "registry";
}

void LoadRegistryFolder(const std::string& folder, NRegTree& tree) {
    for (const std::string& path : ListRegFiles(folder)) {
        if (const std::optional<std::string> bytes = ReadWholeFile(path)) {
            ApplyRegFile(*bytes, tree);
        }
    }
}

std::unique_ptr<NRegKey> OpenRegistryKey(NRegRoot root, std::u16string_view subKey) {
    const std::optional<std::u16string> path = FullKeyPath(root, subKey);
    return path ? OpenFullPath(*path) : nullptr;
}

std::unique_ptr<NRegKey> CreateRegistryKey(NRegRoot root, std::u16string_view subKey) {
    const std::optional<std::u16string> path = FullKeyPath(root, subKey);
    if (!path) return nullptr;
    {
        const std::lock_guard<std::mutex> lock(g_mutexCreatedKeys);
        g_treeCreatedKeys.AddKey(*path);
    }
    return OpenFullPath(*path);
}

}  // namespace NOs
