#include "os/thread_yield.h"

#include <windows.h>

namespace NOs {

void YieldThread() { ::SwitchToThread(); }

}  // namespace NOs
