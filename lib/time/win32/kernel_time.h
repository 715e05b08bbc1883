#pragma once

// Kernel32's time conversions, declared apart from windows.h: its
// SYSTEMTIME and TIME_ZONE_INFORMATION would clash with calendar.h's and
// time_zone.h's, which have the same layout (kernel_time.cpp checks it).

#include <cstddef>
#include <cstdint>

namespace NKernelTime {

constexpr size_t kSystemTimeBytes = 16;
constexpr size_t kTimeZoneBytes = 172;

// The arguments point at records of the sizes above; each call returns what
// the Windows function of its name returns.
bool FileTimeToSystemTime(uint64_t fileTime, void* systemTime);
bool SystemTimeToFileTime(const void* systemTime, uint64_t& fileTime);
bool SystemTimeToTzSpecificLocalTime(const void* zone, const void* universal, void* local);

}  // namespace NKernelTime
