#pragma once
// The registry, read only, as *.reg files (Windows export format) in one
// folder: $Q6_REGISTRY_DIR when it is set and not empty, else registry/
// beside the executable. The files are read each time a key is opened, so an
// edited file reaches the next open. Keys created at run time live in this
// process's memory only.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "regfile/reg_tree.h"

namespace NOs {

// The predefined root keys, numbered as on Windows.
enum class NRegRoot : uint32_t {
    ClassesRoot = 0x80000000,
    CurrentUser = 0x80000001,
    LocalMachine = 0x80000002,
    Users = 0x80000003,
    CurrentConfig = 0x80000005,
};

constexpr const char* kRegistryFolderVariable = "Q6_REGISTRY_DIR";

// Files larger than this are not read.
constexpr uint64_t kMaxRegFileSize = 64u << 20;

// Empty when the variable is unset and the executable's path cannot be read.
std::string GetRegistryFolder();

// Applies every regular file named *.reg (any letter case) in folder, in
// name order, to tree; a later file overrides an earlier one. A missing or
// unreadable folder or file adds nothing.
void LoadRegistryFolder(const std::string& folder, NRegTree& tree);

// The key subKey under root (names separated by '\', no leading '\'; empty
// for the root itself) with its values as they are now. Null when the key
// exists neither in the files nor among the keys this process created, or
// when subKey is not a valid key path.
std::unique_ptr<NRegKey> OpenRegistryKey(NRegRoot root, std::u16string_view subKey);

// Opens the key as OpenRegistryKey does, creating it and any missing parent
// key in memory first. Null only for an invalid key path or an unknown root.
std::unique_ptr<NRegKey> CreateRegistryKey(NRegRoot root, std::u16string_view subKey);

}  // namespace NOs
