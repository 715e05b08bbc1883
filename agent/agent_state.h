#pragma once
// Process-wide state of the agent.

#include <cstdint>
#include <memory>

#include "time/tick_clock.h"

// 1 when argument 1 is exactly "MINI"; picks the event name and the data slot.
extern int32_t g_bMiniMode;

// The one server clock of the process, created during start-up.
extern std::unique_ptr<NTimeTick> g_pTimeTick;
