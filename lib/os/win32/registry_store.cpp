#include "os/registry_store.h"

#include <windows.h>

#include <vector>

#include "os/scoped_handle.h"

// The Windows registry itself: a key opened is read whole into an NRegKey,
// as the portable code expects.
namespace NOs {
namespace {

// Longest value name (16383 characters) and its terminator.
constexpr DWORD kMaxValueName = 16384;

// An open key, closed with RegCloseKey.
struct NRegistryKeyTraits {
    using Handle = HKEY;
    static HKEY None() { return nullptr; }
    static bool IsValid(HKEY key) { return key != nullptr; }
    static void Close(HKEY key) { ::RegCloseKey(key); }
};

using NOpenKey = NScopedHandle<NRegistryKeyTraits>;

// Windows' own root key for ours; null for a number that names none.
HKEY RootKey(NRegRoot root) {
    switch (root) {
        case NRegRoot::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case NRegRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case NRegRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case NRegRoot::Users:
            return HKEY_USERS;
        case NRegRoot::CurrentConfig:
            return HKEY_CURRENT_CONFIG;
    }
    return nullptr;
}

// Value number index of the key; false once there is none.
bool ReadValue(HKEY key, DWORD index, NRegKey& into) {
    std::vector<WCHAR> name(kMaxValueName);
    DWORD nameLength = kMaxValueName;
    DWORD type = 0;
    DWORD size = 0;
    if (::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    NRegValue value;
    value.type = type;
    value.data.resize(size);
    nameLength = kMaxValueName;
    if (::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, value.data.data(),
                        &size) != ERROR_SUCCESS) {
        return false;
    }
    value.data.resize(size);
    into.SetValue(std::u16string_view(name.data(), nameLength), std::move(value));
    return true;
}

std::unique_ptr<NRegKey> ReadKey(HKEY key) {
    auto values = std::make_unique<NRegKey>();
    DWORD index = 0;
    while (ReadValue(key, index, *values)) {
        ++index;
    }
    return values;
}

}  // namespace

std::unique_ptr<NRegKey> OpenRegistryKey(NRegRoot root, std::u16string_view subKey) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(RootKey(root), std::u16string(subKey).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return nullptr;
    }
    const NOpenKey owner(key);
    return ReadKey(key);
}

std::unique_ptr<NRegKey> CreateRegistryKey(NRegRoot root, std::u16string_view subKey) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(RootKey(root), std::u16string(subKey).c_str(), 0, nullptr,
                          REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &key,
                          nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    const NOpenKey owner(key);
    return ReadKey(key);
}

}  // namespace NOs
