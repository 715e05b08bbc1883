#include "time/tick_clock.h"

#include <string_view>
#include <utility>

#include "base/version.h"
#include "os/tick_source.h"
#include "time/date_time_parse.h"
#include "time/decimal_text.h"

namespace {

uint64_t ReadTick32() { return NOs::GetTickCount(); }

NTickReader MachineCounter() {
    return IsVistaOrLater() ? NTickReader(&NOs::GetTickCount64) : NTickReader();
}

std::u16string_view OrEmpty(const char16_t* text) {
    return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

// (seconds since 1970 + the seconds from 1601) in 100-nanosecond units, less
// correction, never below 0.
uint64_t ServerTimeFromSeconds(int64_t seconds, int64_t correction) {
    const auto units =
        static_cast<uint64_t>(seconds + NTime::kSecondsFrom1601To1970) * NTime::kUnitsPerSecond;
    if (correction < 0) {
        return units + (0 - static_cast<uint64_t>(correction));
    }
    const auto subtracted = static_cast<uint64_t>(correction);
    return subtracted > units ? 0 : units - subtracted;
}

}  // namespace

NTimeTick::NTimeTick() : NTimeTick(MachineCounter(), false) {}

NTimeTick::NTimeTick(NTickReader fnReadTick, bool bTick32)
    : m_bTick32(bTick32 || !fnReadTick),
      m_fnReadTick(fnReadTick ? std::move(fnReadTick) : NTickReader(&ReadTick32)) {}

NTimeTick::~NTimeTick() = default;

bool NTimeTick::SetServerTime(const char16_t* dateText, const char16_t* tickText,
                              int64_t correction) {
    const std::u16string_view date = OrEmpty(dateText);
    if (date.size() != NTime::kDateTimeTextLength) {
        return false;
    }
    const int64_t seconds = NTime::ParseDateTime(date);
    const int64_t tick = NTime::ReadDecimal(OrEmpty(tickText));
    SetBase(ServerTimeFromSeconds(seconds, correction), static_cast<uint64_t>(tick));
    return true;
}

void NTimeTick::SetBase(uint64_t serverTime, uint64_t tick) {
    {
        const std::lock_guard<std::mutex> lock(m_cs);
        m_llServerTime = serverTime;
        m_llTick = tick;
    }
    Refresh();
}

void NTimeTick::Refresh(uint64_t* serverTime, uint64_t* tick) {
    const std::lock_guard<std::mutex> lock(m_cs);
    const uint64_t current = ReadTick();
    if (m_bTick32) {
        const uint32_t elapsed = static_cast<uint32_t>(current) - static_cast<uint32_t>(m_llTick);
        m_llServerTime += uint64_t{elapsed} * NTime::kUnitsPerMillisecond;
        m_llTick = current;
    } else if (current >= m_llTick) {
        m_llServerTime = CarryForward(m_llServerTime, m_llTick, current);
        m_llTick = current;
    }
    if (serverTime != nullptr) {
        *serverTime = m_llServerTime;
    }
    if (tick != nullptr) {
        *tick = m_llTick;
    }
}

uint64_t NTimeTick::CarryForward(uint64_t serverTime, uint64_t tick, uint64_t current) {
    return current >= tick ? serverTime + (current - tick) * NTime::kUnitsPerMillisecond
                           : serverTime;
}

uint64_t NTimeTick::GetServerTime() const {
    const std::lock_guard<std::mutex> lock(m_cs);
    return m_llServerTime;
}

uint64_t NTimeTick::GetTick() const {
    const std::lock_guard<std::mutex> lock(m_cs);
    return m_llTick;
}

bool NTimeTick::IsTick32() const { return m_bTick32; }

NTime::NFormatTimeResult NTimeTick::GetTimeText(int code, bool refreshFirst, NString& out) {
    return FormatTime(false, code, refreshFirst, out);
}

NTime::NFormatTimeResult NTimeTick::FormatTime(bool toKorea, int code, bool refreshFirst,
                                               NString& out) {
    if (refreshFirst) {
        Refresh();
    }
    return NTime::FormatServerTime(GetServerTime(), toKorea, code, out);
}

uint64_t NTimeTick::ReadTick() const {
    const uint64_t tick = m_fnReadTick();
    return m_bTick32 ? static_cast<uint32_t>(tick) : tick;
}
