#pragma once

// Owner of one kernel handle, closed with CloseHandle.

#include <windows.h>

#include "os/scoped_handle.h"

namespace NOs {

// Null and INVALID_HANDLE_VALUE both stand for none.
struct NWindowsHandleTraits {
    using Handle = HANDLE;
    static HANDLE None() { return nullptr; }
    static bool IsValid(HANDLE handle) {
        return handle != nullptr && handle != INVALID_HANDLE_VALUE;
    }
    static void Close(HANDLE handle) { ::CloseHandle(handle); }
};

using NWindowsHandle = NScopedHandle<NWindowsHandleTraits>;

}  // namespace NOs
