// The date-time and tick texts: ParseDateTime, ReadDecimal and the clock
// anchored on them (NTimeTick::SetServerTime), then formatted again.
//
// Input: the date text and the tick text, each as UTF-8 up to a line feed;
// then flags (1 byte: 1 the 32-bit counter), a format code (2 bytes, signed),
// the counter at anchoring (8 bytes), the milliseconds that pass before a
// refresh (4 bytes) and a correction (8 bytes, signed).
//
// The texts read like the C library reads them (strtoll, timegm). The clock
// carries the time forward by exactly the milliseconds that passed, and its
// text reads back as the instant it was anchored on.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "base/nstring.h"
#include "base/text_convert.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "time/calendar.h"
#include "time/date_time_parse.h"
#include "time/decimal_text.h"
#include "time/tick_clock.h"
#include "time/time_text.h"

namespace {

using NFuzz::Require;

constexpr uint64_t kFirstInvalidFileTime = uint64_t{1} << 63;
constexpr int64_t kKoreaOffsetSeconds = int64_t{9} * 3600;

struct NClockInput {
    bool bTick32;
    int nCode;
    uint64_t llNow;
    uint64_t llElapsed;
    int64_t llCorrection;
};

// The C library's reading of a decimal field; other characters than ASCII
// stop it as they stop ReadDecimal.
int64_t LibcDecimal(std::u16string_view text) {
    std::string narrow;
    for (const char16_t unit : text) {
        narrow += unit < 0x80 ? static_cast<char>(unit) : 'x';
    }
    return std::strtoll(narrow.c_str(), nullptr, 10);
}

int64_t LibcDateTime(std::u16string_view text) {
    if (text.size() != NTime::kDateTimeTextLength) {
        return NTime::kInvalidDateTime;
    }
    const auto field = [text](size_t position, size_t length) {
        return static_cast<int>(LibcDecimal(text.substr(position, length)));
    };
    std::tm fields{};
    fields.tm_year = field(0, 4) - 1900;
    fields.tm_mon = field(5, 2) - 1;
    fields.tm_mday = field(8, 2);
    fields.tm_hour = field(11, 2);
    fields.tm_min = field(14, 2);
    fields.tm_sec = field(17, 2);
    const int64_t seconds = ::timegm(&fields);
    const bool accepted = seconds >= NTime::kEarliestDateTime && seconds <= NTime::kLatestDateTime;
    return accepted ? seconds : NTime::kInvalidDateTime;
}

uint64_t FileTimeOf(int64_t seconds) {
    return static_cast<uint64_t>(seconds + NTime::kSecondsFrom1601To1970) * NTime::kUnitsPerSecond;
}

// The anchor less the correction: 100-nanosecond units cannot go below 0.
uint64_t Corrected(uint64_t fileTime, int64_t correction) {
    if (correction < 0) {
        return fileTime + (0 - static_cast<uint64_t>(correction));
    }
    const auto units = static_cast<uint64_t>(correction);
    return units > fileTime ? 0 : fileTime - units;
}

std::u16string TimeText(NTimeTick& clock, bool toKorea, int code) {
    NString text(u"unchanged");
    const NTime::NFormatTimeResult result = clock.FormatTime(toKorea, code, false, text);
    return result == NTime::NFormatTimeResult::Ok ? text.GetText() : u"";
}

size_t FormLength(int code) {
    switch (code) {
        case NTime::kCodeDate:
        case NTime::kCodeDateSlashed:
            return 10;
        case NTime::kCodeDateTime:
        case NTime::kCodeUsDateTime:
            return 19;
        case NTime::kCodeDateDigits:
            return 8;
        case NTime::kCodeDateTimeMinutes:
            return 16;
        case NTime::kCodeTimeDigits:
            return 6;
        case NTime::kCodeHourMinuteDigits:
            return 4;
        case NTime::kCodeHourMinute:
            return 5;
        default:
            return 14;
    }
}

// Any code formats a time that has a calendar date, in the shape of its
// form (one digit more for a five-digit year); else out stays as it was.
void CheckForm(NTimeTick& clock, int code) {
    const std::u16string text = TimeText(clock, false, code);
    if (clock.GetServerTime() >= kFirstInvalidFileTime) {
        Require(text.empty(), "a time without a calendar date is not formatted");
        return;
    }
    const size_t length = FormLength(code);
    Require(text.size() == length || text.size() == length + 1, "a form has its length");
    Require(text.find_first_not_of(u"0123456789-/ :,") == std::u16string::npos,
            "a form holds digits and separators only");
}

// Anchored with the counter standing at the anchor's tick, the clock gives
// back the instant of its date text, in universal time and in Korea.
void CheckAnchor(const std::u16string& date, const std::u16string& tick, const NClockInput& in) {
    const int64_t seconds = NTime::ParseDateTime(date);
    const uint64_t anchorTick = static_cast<uint64_t>(NTime::ReadDecimal(tick));
    NTimeTick clock([anchorTick] { return anchorTick; }, in.bTick32);
    clock.SetServerTime(date.c_str(), tick.c_str(), 0);
    Require(clock.GetServerTime() == FileTimeOf(seconds), "the clock holds its date text");
    const std::u16string text = TimeText(clock, false, NTime::kCodeDateTime);
    Require(NTime::ParseDateTime(text) == seconds, "the clock's text reads back as its instant");
    const std::u16string korea = TimeText(clock, true, NTime::kCodeDateTime);
    const int64_t koreaSeconds = NTime::ParseDateTime(korea);
    if (seconds != NTime::kInvalidDateTime && koreaSeconds != NTime::kInvalidDateTime) {
        Require(koreaSeconds - seconds == kKoreaOffsetSeconds, "Korea is nine hours ahead");
    }

    clock.SetServerTime(date.c_str(), tick.c_str(), in.llCorrection);
    Require(clock.GetServerTime() == Corrected(FileTimeOf(seconds), in.llCorrection),
            "the correction is taken off the anchor");
    CheckForm(clock, in.nCode);
}

// Anchored at any counter, the clock moves by exactly the milliseconds that
// pass, unless the 64-bit counter is still below the anchor's tick.
void CheckRefresh(const std::u16string& date, const std::u16string& tick, const NClockInput& in) {
    uint64_t counter = in.llNow;
    NTimeTick clock([&counter] { return counter; }, in.bTick32);
    const bool anchored = clock.SetServerTime(date.c_str(), tick.c_str(), 0);
    Require(anchored == (date.size() == NTime::kDateTimeTextLength),
            "SetServerTime takes exactly the texts of 19 characters");
    if (!anchored) {
        Require(clock.GetServerTime() == 0 && clock.GetTick() == 0,
                "a rejected text changes nothing");
        return;
    }
    const auto anchorTick = static_cast<uint64_t>(NTime::ReadDecimal(tick));
    const uint64_t mask = in.bTick32 ? UINT32_MAX : UINT64_MAX;
    const bool frozen = !in.bTick32 && in.llNow < anchorTick;
    Require(clock.GetTick() == (frozen ? anchorTick : in.llNow & mask),
            "the clock stores the counter it read");

    const uint64_t before = clock.GetServerTime();
    counter = in.llNow + in.llElapsed;
    const bool stillFrozen = !in.bTick32 && counter < clock.GetTick();
    clock.Refresh();
    const uint64_t moved = stillFrozen ? 0 : (counter - (frozen ? anchorTick : in.llNow)) & mask;
    Require(clock.GetServerTime() == before + moved * NTime::kUnitsPerMillisecond,
            "a refresh carries the time forward by the milliseconds that passed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registrySet = ::setenv("Q6_REGISTRY_DIR", Q6_FUZZ_REGISTRY_DIR, 1) == 0;
    Require(registrySet, "the registry folder can be set");

    NFuzzInput input(data, size);
    const std::u16string dateText = NUtf::ToUtf16(input.TakeLine());
    const std::u16string tickText = NUtf::ToUtf16(input.TakeLine());
    NClockInput clock{};
    clock.bTick32 = (input.TakeByte() & 1) != 0;
    clock.nCode = static_cast<int16_t>(input.TakeInteger(2));
    clock.llNow = input.TakeInteger(8);
    clock.llElapsed = input.TakeInteger(4);
    clock.llCorrection = static_cast<int64_t>(input.TakeInteger(8));

    Require(NTime::ParseDateTime(dateText) == LibcDateTime(dateText),
            "ParseDateTime reads like timegm");
    Require(NTime::ReadDecimal(tickText) == LibcDecimal(tickText),
            "ReadDecimal reads like strtoll");
    const std::u16string date = NFuzz::UpToZero<char16_t>(dateText);
    const std::u16string tick = NFuzz::UpToZero<char16_t>(tickText);
    CheckRefresh(date, tick, clock);
    if (date.size() == NTime::kDateTimeTextLength) {
        CheckAnchor(date, tick, clock);
    }
    return 0;
}
