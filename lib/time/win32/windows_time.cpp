#include "time/win32/windows_time.h"

#include <algorithm>
#include <iterator>

namespace NTime {

static_assert(std::size(::TIME_ZONE_INFORMATION{}.StandardName) == NWin::kTimeZoneNameLength);
static_assert(std::size(::TIME_ZONE_INFORMATION{}.DaylightName) == NWin::kTimeZoneNameLength);

namespace {

// Ours and Windows' SYSTEMTIME have the same field names.
template <class To, class From>
To CopyFields(const From& time) {
    To copy{};
    copy.wYear = time.wYear;
    copy.wMonth = time.wMonth;
    copy.wDayOfWeek = time.wDayOfWeek;
    copy.wDay = time.wDay;
    copy.wHour = time.wHour;
    copy.wMinute = time.wMinute;
    copy.wSecond = time.wSecond;
    copy.wMilliseconds = time.wMilliseconds;
    return copy;
}

}  // namespace

::SYSTEMTIME ToWindows(const NWin::SYSTEMTIME& time) { return CopyFields<::SYSTEMTIME>(time); }

NWin::SYSTEMTIME FromWindows(const ::SYSTEMTIME& time) {
    return CopyFields<NWin::SYSTEMTIME>(time);
}

::TIME_ZONE_INFORMATION ToWindows(const NWin::TIME_ZONE_INFORMATION& zone) {
    ::TIME_ZONE_INFORMATION windowsZone{};
    windowsZone.Bias = zone.Bias;
    std::copy(std::begin(zone.StandardName), std::end(zone.StandardName),
              std::begin(windowsZone.StandardName));
    windowsZone.StandardDate = ToWindows(zone.StandardDate);
    windowsZone.StandardBias = zone.StandardBias;
    std::copy(std::begin(zone.DaylightName), std::end(zone.DaylightName),
              std::begin(windowsZone.DaylightName));
    windowsZone.DaylightDate = ToWindows(zone.DaylightDate);
    windowsZone.DaylightBias = zone.DaylightBias;
    return windowsZone;
}

::FILETIME ToFileTime(uint64_t units) {
    ::FILETIME time{};
    time.dwLowDateTime = static_cast<DWORD>(units);
    time.dwHighDateTime = static_cast<DWORD>(units >> 32);
    return time;
}

uint64_t FromFileTime(const ::FILETIME& time) {
    return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

}  // namespace NTime
