#pragma once
// NTimeTick: the server clock. It is anchored on a (server time, tick) pair
// and carried forward with the machine's tick counter, never with the wall
// clock.

#include <cstdint>
#include <functional>
#include <mutex>

#include "base/nstring.h"
#include "time/time_text.h"

// Reads a tick counter: milliseconds since the machine started.
using NTickReader = std::function<uint64_t()>;

class NTimeTick {
public:
    // The machine's counter: the 64-bit one where the release has it
    // (IsVistaOrLater), else the 32-bit one.
    NTimeTick();

    // A counter of the caller's choice. With bTick32, or without a reader
    // (then the machine's 32-bit counter is read), only the low 32 bits count
    // and a wrap of the counter is bridged.
    NTimeTick(NTickReader fnReadTick, bool bTick32);

    NTimeTick(const NTimeTick&) = delete;
    NTimeTick& operator=(const NTimeTick&) = delete;
    virtual ~NTimeTick();

    // Anchors the clock on dateText (YYYY-MM-DD hh:mm:ss, see ParseDateTime)
    // less correction (100-nanosecond units) and tickText (a decimal number
    // read like ReadDecimal), then refreshes. A result below 1601 is clamped
    // to 1601-01-01 00:00:00. False, with nothing changed, when dateText is
    // not exactly 19 characters long.
    bool SetServerTime(const char16_t* dateText, const char16_t* tickText, int64_t correction);

    // Stores the pair, then refreshes.
    void SetBase(uint64_t serverTime, uint64_t tick);

    // Moves the server time forward by the milliseconds since the stored tick
    // and stores the current tick. On the 64-bit counter a stored tick above
    // the current one changes nothing. The pair after the refresh goes to
    // the outputs that are given.
    void Refresh(uint64_t* serverTime = nullptr, uint64_t* tick = nullptr);

    // The 64-bit counter's rule of Refresh, on its own: serverTime carried
    // from tick to current, unchanged when current is below tick.
    static uint64_t CarryForward(uint64_t serverTime, uint64_t tick, uint64_t current);

    // 100-nanosecond units since 1601-01-01 00:00:00.
    uint64_t GetServerTime() const;
    uint64_t GetTick() const;
    bool IsTick32() const;

    // FormatTime without zone conversion.
    NTime::NFormatTimeResult GetTimeText(int code, bool refreshFirst, NString& out);

    // The server time as text (see NTime::FormatServerTime), refreshed first
    // when refreshFirst.
    NTime::NFormatTimeResult FormatTime(bool toKorea, int code, bool refreshFirst, NString& out);

private:
    uint64_t ReadTick() const;

    bool m_bTick32;
    uint64_t m_llServerTime = 0;
    uint64_t m_llTick = 0;
    mutable std::mutex m_cs;  // guards m_llServerTime and m_llTick
    NTickReader m_fnReadTick;
};
