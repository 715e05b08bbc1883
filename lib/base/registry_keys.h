#pragma once
// The registry's root keys and access masks under their Windows names and
// numbers, for NRegistry. windows.h defines the same names as macros, so a
// file that includes it takes Windows' own and leaves this header out.

#include <cstdint>

#include "base/registry.h"

namespace NWin {

constexpr HKEY HKEY_CLASSES_ROOT = NOs::NRegRoot::ClassesRoot;
constexpr HKEY HKEY_CURRENT_USER = NOs::NRegRoot::CurrentUser;
constexpr HKEY HKEY_LOCAL_MACHINE = NOs::NRegRoot::LocalMachine;
constexpr HKEY HKEY_USERS = NOs::NRegRoot::Users;
constexpr HKEY HKEY_CURRENT_CONFIG = NOs::NRegRoot::CurrentConfig;

// The store grants every access; the masks are kept for callers written
// against the Windows registry.
constexpr uint32_t KEY_READ = 0x20019;
constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

}  // namespace NWin
