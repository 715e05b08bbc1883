#pragma once

// The reasons of failed Win32 calls, in the terms of object_error.h.

#include <windows.h>

#include "os/object_error.h"

namespace NOs {

// The error number that stands for a Win32 error code.
NError FromWindowsError(DWORD code);

// The same for GetLastError().
inline NError LastWindowsError() { return FromWindowsError(::GetLastError()); }

}  // namespace NOs
