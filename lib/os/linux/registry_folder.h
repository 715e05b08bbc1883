#pragma once
// The folder of *.reg files (Windows export format) that the Linux registry
// store reads: $Q6_REGISTRY_DIR when it is set and not empty, else registry/
// beside the executable.

#include <cstdint>
#include <string>

#include "regfile/reg_tree.h"

namespace NOs {

constexpr const char* kRegistryFolderVariable = "Q6_REGISTRY_DIR";

// Files larger than this are not read.
constexpr uint64_t kMaxRegFileSize = 64u << 20;

// Empty when the variable is unset and the executable's path cannot be read.
std::string GetRegistryFolder();

// Applies every regular file named *.reg (any letter case) in folder, in
// name order, to tree; a later file overrides an earlier one. A missing or
// unreadable folder or file adds nothing.
void LoadRegistryFolder(const std::string& folder, NRegTree& tree);

}  // namespace NOs
