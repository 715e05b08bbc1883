#pragma once
// The registry. On Linux it is read only, from the *.reg files of one folder
// (linux/registry_folder.h), read each time a key is opened so that an
// edited file reaches the next open; keys created at run time live in this
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

// The key subKey under root (names separated by '\', no leading '\'; empty
// for the root itself) with its values as they are now. Null when the key
// exists neither in the files nor among the keys this process created, or
// when subKey is not a valid key path.
std::unique_ptr<NRegKey> OpenRegistryKey(NRegRoot root, std::u16string_view subKey);

// Opens the key as OpenRegistryKey does, creating it and any missing parent
// key in memory first. Null only for an invalid key path or an unknown root.
std::unique_ptr<NRegKey> CreateRegistryKey(NRegRoot root, std::u16string_view subKey);

}  // namespace NOs
