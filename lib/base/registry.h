#pragma once
// NRegistry: one open key of the registry, read only (see os/registry_store.h
// for where the registry lives on this platform).

#include <cstdint>
#include <memory>

#include "os/registry_store.h"

namespace NWin {

// A root key, under its Windows name (the keys themselves: registry_keys.h).
using HKEY = NOs::NRegRoot;

}  // namespace NWin

class NRegistry {
public:
    NRegistry() = default;
    NRegistry(const NRegistry&) = delete;
    NRegistry& operator=(const NRegistry&) = delete;
    virtual ~NRegistry();

    // Opens subKey under root, replacing any key held before. With openOnly
    // the key must exist; otherwise it is created when missing (Create, with
    // KEY_READ when readOnly, else KEY_ALL_ACCESS). A null subKey names root.
    bool Open(NWin::HKEY root, const char16_t* subKey, bool openOnly, bool readOnly);

    // Opens subKey under root, creating it and its missing parents first.
    bool Create(NWin::HKEY root, const char16_t* subKey, uint32_t access);

    // True when a key was held and is now closed.
    bool Close();

    bool IsOpen() const;

    // Reads the value (whatever its type) as UTF-16 text up to its first zero
    // unit, cut to capacity - 1 units, into text, always terminated. A null
    // name reads the default value. False, with text untouched, without an
    // open key, for a missing value, or for a null text or zero capacity.
    bool GetString(const char16_t* name, char16_t* text, uint32_t capacity) const;

    // Copies the first length bytes of the value's data into data; a shorter
    // value sets length to its size. False, with data and length untouched,
    // without an open key, for a missing value or a null buffer.
    bool GetBytes(const char16_t* name, uint8_t* data, uint32_t& length) const;

private:
    const NOs::NRegValue* FindValue(const char16_t* name) const;

    std::unique_ptr<NOs::NRegKey> m_hKey;
};
