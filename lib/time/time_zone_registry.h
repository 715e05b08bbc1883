#pragma once
// A time zone's rule read from the registry's zone list.

#include <cstddef>

#include "time/time_zone.h"

namespace NTime {

// Key of the zone list under HKEY_LOCAL_MACHINE; the zone's name follows.
constexpr const char16_t* kTimeZonesKey =
    u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\";

// Size of the zone's "TZI" value: the three biases and the two dates.
constexpr size_t kTziSize = 44;

constexpr int kTimeZoneLoaded = 0;
constexpr int kTimeZoneKeyMissing = -2;
constexpr int kTimeZoneTziMissing = -3;

// Fills zone from the zone's key: the rule from "TZI", the names from "Std"
// and "Dlt" (at most 31 characters each, empty when missing). Returns
// kTimeZoneLoaded, kTimeZoneKeyMissing when the key cannot be opened, or
// kTimeZoneTziMissing when "TZI" is missing or shorter than kTziSize bytes;
// on failure zone is untouched.
int LoadTimeZoneInfo(NWin::TIME_ZONE_INFORMATION& zone, const char16_t* name);

}  // namespace NTime
