#pragma once
// This system's time types to Windows' own and back, field by field, for the
// calls of kernel32.

#include <windows.h>

#include <cstdint>

#include "time/calendar.h"
#include "time/time_zone.h"

namespace NTime {

::SYSTEMTIME ToWindows(const NWin::SYSTEMTIME& time);
NWin::SYSTEMTIME FromWindows(const ::SYSTEMTIME& time);
::TIME_ZONE_INFORMATION ToWindows(const NWin::TIME_ZONE_INFORMATION& zone);

// A file time as Windows splits it: low and high 32 bits.
::FILETIME ToFileTime(uint64_t units);
uint64_t FromFileTime(const ::FILETIME& time);

}  // namespace NTime
