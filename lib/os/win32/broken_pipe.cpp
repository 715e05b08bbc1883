#include "os/broken_pipe.h"

namespace NOs {

// Windows raises no signal for a broken pipe: the write just fails.
void IgnoreBrokenPipes() {}

}  // namespace NOs
