#include "time/time_zone_registry.h"

#include <cstdint>

#include "base/nstring.h"
#include "base/registry.h"
#include "base/registry_keys.h"

using NWin::kTimeZoneNameLength;
using NWin::SYSTEMTIME;
using NWin::TIME_ZONE_INFORMATION;

namespace NTime {
namespace {

// Little-endian fields of the "TZI" record, read in order.
class NTziReader {
public:
    explicit NTziReader(const uint8_t* record) : m_pNext(record) {}

    uint16_t Word() {
        const auto value = static_cast<uint16_t>(m_pNext[0] | (m_pNext[1] << 8));
        m_pNext += 2;
        return value;
    }

    int32_t Long() {
        const uint32_t low = Word();
        const uint32_t high = Word();
        return static_cast<int32_t>(low | (high << 16));
    }

    SYSTEMTIME Date() {
        SYSTEMTIME date{};
        date.wYear = Word();
        date.wMonth = Word();
        date.wDayOfWeek = Word();
        date.wDay = Word();
        date.wHour = Word();
        date.wMinute = Word();
        date.wSecond = Word();
        date.wMilliseconds = Word();
        return date;
    }

private:
    const uint8_t* m_pNext;
};

}  // namespace

int LoadTimeZoneInfo(TIME_ZONE_INFORMATION& zone, const char16_t* name) {
    if (name == nullptr) {
        return kTimeZoneKeyMissing;
    }
    NString path(kTimeZonesKey);
    path.Append(name);
    NRegistry key;
    if (!key.Open(NWin::HKEY_LOCAL_MACHINE, path.GetText(), true, true)) {
        return kTimeZoneKeyMissing;
    }
    uint8_t record[kTziSize] = {};
    uint32_t length = kTziSize;
    if (!key.GetBytes(u"TZI", record, length) || length < kTziSize) {
        return kTimeZoneTziMissing;
    }

    TIME_ZONE_INFORMATION loaded{};
    // The names are optional; GetString cuts them to 31 characters.
    key.GetString(u"Std", loaded.StandardName, kTimeZoneNameLength);
    key.GetString(u"Dlt", loaded.DaylightName, kTimeZoneNameLength);
    NTziReader reader(record);
    loaded.Bias = reader.Long();
    loaded.StandardBias = reader.Long();
    loaded.DaylightBias = reader.Long();
    loaded.StandardDate = reader.Date();
    loaded.DaylightDate = reader.Date();
    zone = loaded;
    return kTimeZoneLoaded;
}

}  // namespace NTime
