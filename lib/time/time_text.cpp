#include "time/time_text.h"

#include <algorithm>
#include <iterator>

#include "base/format.h"
#include "time/time_zone_registry.h"

using NWin::SYSTEMTIME;

NWin::TIME_ZONE_INFORMATION g_tziKorea{};
bool g_bTziKoreaLoaded = false;

namespace NTime {
namespace {

// One text form: its format and the fields it shows, in order
// (Y year, M month, D day, h hour, m minute, s second).
struct NTimeForm {
    int code;
    const char16_t* format;
    const char* fields;
};

constexpr NTimeForm kForms[] = {
    {kCodeDate, u"%4.4d-%2.2d-%2.2d", "YMD"},
    {kCodeDateSlashed, u"%4.4d/%2.2d/%2.2d", "YMD"},
    {kCodeDateTime, u"%4.4d-%2.2d-%2.2d %2.2d:%2.2d:%2.2d", "YMDhms"},
    {kCodeDateDigits, u"%4.4d%2.2d%2.2d", "YMD"},
    {kCodeDateTimeMinutes, u"%4.4d-%2.2d-%2.2d %2.2d:%2.2d", "YMDhm"},
    {kCodeTimeDigits, u"%2.2d%2.2d%2.2d", "hms"},
    {kCodeHourMinuteDigits, u"%2.2d%2.2d", "hm"},
    {kCodeHourMinute, u"%2.2d:%2.2d", "hm"},
    {kCodeUsDateTime, u"%2.2d/%2.2d/%4.4d,%2.2d:%2.2d:%2.2d", "MDYhms"},
};
constexpr NTimeForm kCompactForm = {0, u"%4.4d%2.2d%2.2d%2.2d%2.2d%2.2d", "YMDhms"};

constexpr size_t kMaxFields = 6;
// The longest form with a five-digit year, and its terminator.
constexpr size_t kTextCapacity = 32;

const NTimeForm& FindForm(int code) {
    const auto found = std::find_if(std::begin(kForms), std::end(kForms),
                                    [code](const NTimeForm& form) { return form.code == code; });
    return found == std::end(kForms) ? kCompactForm : *found;
}

uint16_t FieldValue(const SYSTEMTIME& time, char field) {
    switch (field) {
        case 'Y':
            return time.wYear;
        case 'M':
            return time.wMonth;
        case 'D':
            return time.wDay;
        case 'h':
            return time.wHour;
        case 'm':
            return time.wMinute;
        default:
            return time.wSecond;
    }
}

// Converts universal time to Korea Standard Time, loading the rule first.
NFormatTimeResult ConvertToKorea(SYSTEMTIME& time) {
    if (!g_bTziKoreaLoaded) {
        if (LoadTimeZoneInfo(g_tziKorea, kKoreaZoneName) != kTimeZoneLoaded) {
            return NFormatTimeResult::NoZoneData;
        }
        g_bTziKoreaLoaded = true;
    }
    SYSTEMTIME local{};
    if (!SystemTimeToTzSpecificLocalTime(g_tziKorea, time, local)) {
        return NFormatTimeResult::ZoneConversionFailed;
    }
    time = local;
    return NFormatTimeResult::Ok;
}

}  // namespace

std::u16string FormatSystemTime(const SYSTEMTIME& time, int code) {
    const NTimeForm& form = FindForm(code);
    NFormat::NArg args[kMaxFields] = {0, 0, 0, 0, 0, 0};
    size_t count = 0;
    for (const char* field = form.fields; *field != '\0'; ++field) {
        args[count++] = FieldValue(time, *field);
    }
    char16_t text[kTextCapacity] = {};
    NFormat::PrintArgs(text, kTextCapacity, form.format, args, count);
    return text;
}

NFormatTimeResult FormatServerTime(uint64_t serverTime, bool toKorea, int code, NString& out) {
    SYSTEMTIME time{};
    if (!FileTimeToSystemTime(serverTime, time)) {
        return NFormatTimeResult::NoCalendarTime;
    }
    if (toKorea) {
        const NFormatTimeResult converted = ConvertToKorea(time);
        if (converted != NFormatTimeResult::Ok) {
            return converted;
        }
    }
    out.Assign(FormatSystemTime(time, code).c_str());
    return NFormatTimeResult::Ok;
}

}  // namespace NTime
