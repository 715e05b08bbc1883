#pragma once
// A server time as text in the system's fixed forms, either in the frame of
// the clock's date-time text or converted from universal time to Korea
// Standard Time.

#include <cstdint>
#include <string>

#include "base/nstring.h"
#include "time/calendar.h"
#include "time/time_zone.h"

// The rule of Korea Standard Time, read from the registry on the first
// conversion that needs it and kept for the life of the process. Not locked:
// formatting with conversion belongs to one thread.
extern NWin::TIME_ZONE_INFORMATION g_tziKorea;
extern bool g_bTziKoreaLoaded;

namespace NTime {

constexpr const char16_t* kKoreaZoneName = u"Korea Standard Time";

// Format codes; any other code gives the compact form YYYYMMDDhhmmss.
constexpr int kCodeDate = 23;               // YYYY-MM-DD
constexpr int kCodeDateSlashed = 111;       // YYYY/MM/DD
constexpr int kCodeDateTime = 120;          // YYYY-MM-DD hh:mm:ss
constexpr int kCodeDateDigits = 301;        // YYYYMMDD
constexpr int kCodeDateTimeMinutes = 302;   // YYYY-MM-DD hh:mm
constexpr int kCodeTimeDigits = 500;        // hhmmss
constexpr int kCodeHourMinuteDigits = 501;  // hhmm
constexpr int kCodeHourMinute = 502;        // hh:mm
constexpr int kCodeUsDateTime = 1101;       // MM/DD/YYYY,hh:mm:ss

enum class NFormatTimeResult : int {
    Ok = 1,
    NoCalendarTime = 200,        // the server time has no calendar date (2^63 or more)
    NoZoneData = 205,            // the zone's rule cannot be read from the registry
    ZoneConversionFailed = 210,  // the zone's rule cannot convert this time
};

// The fields of time in the form of code; numbers are zero-padded, a year of
// five digits is written in full, milliseconds are never shown.
std::u16string FormatSystemTime(const NWin::SYSTEMTIME& time, int code);

// Formats serverTime (100-nanosecond units since 1601-01-01 00:00:00) by
// code. With toKorea the time is taken as universal time and converted to
// Korea Standard Time first (a failed load of the rule is tried again on the
// next call). On failure out is left untouched.
NFormatTimeResult FormatServerTime(uint64_t serverTime, bool toKorea, int code, NString& out);

}  // namespace NTime
