#pragma once
// Machine-wide events through which the agent tells the suite's processes
// that a new value is ready.

#include <cstdint>
#include <memory>

#include "os/named_event.h"

namespace NMisc {

// The caller owns the event; null stands for no event.
using NEventHandle = std::unique_ptr<NOs::NNamedEvent>;

// Creates the event non-signalled, open to every account, or opens the
// existing event of that name, whose reset mode and state stay as they are.
// The name is used exactly as given: "Global\" puts it into the machine-wide
// space. manualReset zero asks for an auto-reset event. Null on failure, for
// instance when the name belongs to an object of another kind. Logs an error
// only when the security descriptor that opens the event to every account
// cannot be made (Windows), with the Windows error code.
NEventHandle CreateGlobalEvent(const char16_t* name, int32_t manualReset);

// The same, with the reason when the event cannot be had.
NOs::NResult<NEventHandle> MakeGlobalEvent(const char16_t* name, int32_t manualReset);

// Signals the event; does nothing for a null event. The reason when it
// cannot be signalled.
NOs::NStatus SetGlobalEvent(NOs::NNamedEvent* event);

}  // namespace NMisc
