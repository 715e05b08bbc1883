#pragma once
// Writes into a pipe or FIFO whose reader went away.

namespace NOs {

// From now on such a write fails (On Linux: EPIPE) instead of ending the
// process: another account that opens and closes a FIFO where the process
// writes cannot end it.
void IgnoreBrokenPipes();

}  // namespace NOs
