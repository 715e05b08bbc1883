#pragma once
// What only tests ask of a named event: the agent and the IPC library only
// set, reset and wait.

#include "os/named_event.h"
#include "os/result.h"

namespace NOs {

// Whether the event is manual-reset, as the system keeps it. On Windows the
// kernel is asked (NtQueryEvent, which Win32 does not document), which needs
// a handle from Create: Open asks only for the rights that it uses.
NResult<bool> IsManualReset(const NNamedEvent& event);

}  // namespace NOs
