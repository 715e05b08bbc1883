#pragma once
// Giving the processor up for a moment.

namespace NOs {

// Lets other threads run before this one goes on.
void YieldThread();

}  // namespace NOs
