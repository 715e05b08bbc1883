#include "os/registry_store.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <optional>
#include <vector>

#include "os/environment.h"
#include "os/file_reader.h"
#include "os/module_file.h"
#include "os/path_text.h"
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
    if (!rootName) {
        return std::nullopt;
    }
    std::u16string path(*rootName);
    if (!subKey.empty()) {
        path += u'\\';
        path += subKey;
    }
    if (!NormalizeRegPath(path)) {
        return std::nullopt;
    }
    return path;
}

bool IsRootPath(const std::u16string& path) { return path.find(u'\\') == std::u16string::npos; }

bool HasRegExtension(const std::string& name) {
    if (name.size() <= kRegExtension.size()) {
        return false;
    }
    const std::string_view tail = std::string_view(name).substr(name.size() - kRegExtension.size());
    return std::equal(tail.begin(), tail.end(), kRegExtension.begin(), [](char left, char right) {
        return std::tolower(static_cast<unsigned char>(left)) == right;
    });
}

std::vector<std::string> ListRegFiles(const std::string& folder) {
    std::vector<std::string> paths;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir) {
        return paths;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        if (HasRegExtension(entry->d_name)) {
            paths.push_back(JoinPath(folder, entry->d_name));
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
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
    if (const NRegKey* key = tree.FindKey(path)) {
        return std::make_unique<NRegKey>(*key);
    }
    if (IsRootPath(path) || WasCreated(path)) {
        return std::make_unique<NRegKey>();
    }
    return nullptr;
}

}  // namespace

std::string GetRegistryFolder() {
    const std::optional<std::string> configured = GetEnvironment(kRegistryFolderVariable);
    if (configured && !configured->empty()) {
        return *configured;
    }
    const std::optional<std::string> folder = GetModuleFolder(nullptr);
    return folder ? JoinPath(*folder, "registry") : std::string();  // no folder to read
}

void LoadRegistryFolder(const std::string& folder, NRegTree& tree) {
    for (const std::string& path : ListRegFiles(folder)) {
        // A file that is not plain or too long is left out.
        if (const NResult<std::string> bytes = ReadWholeFile(path, kMaxRegFileSize)) {
            ApplyRegFile(bytes.Value(), tree);
        }
    }
}

std::unique_ptr<NRegKey> OpenRegistryKey(NRegRoot root, std::u16string_view subKey) {
    const std::optional<std::u16string> path = FullKeyPath(root, subKey);
    return path ? OpenFullPath(*path) : nullptr;
}

std::unique_ptr<NRegKey> CreateRegistryKey(NRegRoot root, std::u16string_view subKey) {
    const std::optional<std::u16string> path = FullKeyPath(root, subKey);
    if (!path) {
        return nullptr;
    }
    {
        const std::lock_guard<std::mutex> lock(g_mutexCreatedKeys);
        g_treeCreatedKeys.AddKey(*path);
    }
    return OpenFullPath(*path);
}

}  // namespace NOs
