#pragma once

// Functions of a loaded module looked up by name, under their own type.

#include <windows.h>

namespace NOs {

// Null when module is null or has no such export.
template <class Fn>
Fn FindProcedure(HMODULE module, const char* name) {
    if (module == nullptr) {
        return nullptr;
    }
    // Through the generic function type: FARPROC claims a signature of its own.
    using NGeneric = void (*)();
    return reinterpret_cast<Fn>(reinterpret_cast<NGeneric>(::GetProcAddress(module, name)));
}

}  // namespace NOs
