#pragma once
// One publishing cycle of the server time.

#include "os/named_event.h"

namespace q6tsa {

// Refreshes the clock, writes the server time record into the edition's data
// slot and, only when that succeeded, signals event (which may be null).
void Send_Time_tick(NOs::NNamedEvent* event);

}  // namespace q6tsa
