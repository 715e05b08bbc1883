#include "os/registry_store.h"

#include <mutex>
#include <optional>

#include "os/linux/registry_folder.h"
#include "regfile/reg_tree.h"

namespace NOs {
namespace {

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
