#pragma once
// Where the agent publishes the server time record, and the event that
// announces each new value. The same names hold for every reader.

#include <cstdint>

namespace NServerTimeChannel {

// The agent publishes once at start-up and then after every pause of this long.
constexpr uint32_t kPublishPeriodMs = 30000;

constexpr uint32_t kSlot = 0x30000259;
constexpr uint32_t kMiniSlot = 0x40000259;

constexpr char16_t kEventName[] = u"Global\\q6pt_event01";
constexpr char16_t kMiniEventName[] = u"Global\\M_q6pt_event01";

// The agent's single-instance mutex, held by a running agent all its life.
// Its name has no namespace prefix: it lives in root's own space.
constexpr char16_t kInstanceMutexName[] = u"q6tsapp_5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38";

constexpr uint32_t SlotFor(bool mini) { return mini ? kMiniSlot : kSlot; }
constexpr const char16_t* EventNameFor(bool mini) { return mini ? kMiniEventName : kEventName; }

}  // namespace NServerTimeChannel
