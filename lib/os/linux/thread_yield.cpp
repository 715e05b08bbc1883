#include "os/linux/thread_yield.h"

#include <sched.h>

namespace NOs {

void YieldThread() { ::sched_yield(); }

}  // namespace NOs
