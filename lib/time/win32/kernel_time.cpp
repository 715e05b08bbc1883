#include "time/win32/kernel_time.h"

#include <windows.h>

namespace NKernelTime {

static_assert(sizeof(SYSTEMTIME) == kSystemTimeBytes);
static_assert(sizeof(TIME_ZONE_INFORMATION) == kTimeZoneBytes);

namespace {

FILETIME ToFileTime(uint64_t units) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(units);
    time.dwHighDateTime = static_cast<DWORD>(units >> 32);
    return time;
}

}  // namespace

bool FileTimeToSystemTime(uint64_t fileTime, void* systemTime) {
    const FILETIME time = ToFileTime(fileTime);
    return ::FileTimeToSystemTime(&time, static_cast<SYSTEMTIME*>(systemTime)) != 0;
}

bool SystemTimeToFileTime(const void* systemTime, uint64_t& fileTime) {
    FILETIME time{};
    if (::SystemTimeToFileTime(static_cast<const SYSTEMTIME*>(systemTime), &time) == 0) {
        return false;
    }
    fileTime = (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    return true;
}

bool SystemTimeToTzSpecificLocalTime(const void* zone, const void* universal, void* local) {
    return ::SystemTimeToTzSpecificLocalTime(static_cast<const TIME_ZONE_INFORMATION*>(zone),
                                             static_cast<const SYSTEMTIME*>(universal),
                                             static_cast<SYSTEMTIME*>(local)) != 0;
}

}  // namespace NKernelTime
