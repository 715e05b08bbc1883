#include "os/linux/fork_handler.h"

#include <pthread.h>

namespace NOs {

bool OnForkChild(void (*handler)()) { return ::pthread_atfork(nullptr, nullptr, handler) == 0; }

}  // namespace NOs
