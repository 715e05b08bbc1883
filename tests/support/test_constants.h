#pragma once
// The slots and events that the agent publishes on, as the tests name them.
// They are the suite's interface, so they are stated here once more as
// numbers and texts of their own and checked against the code's.

#include <cstdint>
#include <cstdio>
#include <string>

#include "ipc/server_time_channel.h"

namespace NTestConstants {

constexpr uint32_t kSlot = NServerTimeChannel::kSlot;
constexpr uint32_t kMiniSlot = NServerTimeChannel::kMiniSlot;
static_assert(kSlot == 0x30000259 && kMiniSlot == 0x40000259, "the suite's readers look there");

// True when wide holds the same ASCII text as narrow.
constexpr bool IsSameText(const char16_t* wide, const char* narrow) {
    for (; *wide != u'\0' || *narrow != '\0'; ++wide, ++narrow) {
        if (*wide != static_cast<unsigned char>(*narrow)) {
            return false;
        }
    }
    return true;
}

constexpr char kEventName[] = "Global\\q6pt_event01";
constexpr char kMiniEventName[] = "Global\\M_q6pt_event01";
static_assert(IsSameText(NServerTimeChannel::kEventName, kEventName) &&
                  IsSameText(NServerTimeChannel::kMiniEventName, kMiniEventName),
              "the suite's readers wait on these events");

constexpr uint32_t SlotFor(bool mini) { return NServerTimeChannel::SlotFor(mini); }
constexpr const char* EventNameFor(bool mini) { return mini ? kMiniEventName : kEventName; }

// A slot as a command line names it: "0x30000259".
inline std::string SlotArgument(uint32_t slot) {
    char text[sizeof("0x12345678")];
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(slot));
    return text;
}

}  // namespace NTestConstants
