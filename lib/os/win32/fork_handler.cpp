#include "os/fork_handler.h"

namespace NOs {

// Windows has no fork: no child ever needs the handler.
bool OnForkChild(void (*handler)()) { return handler != nullptr; }

}  // namespace NOs
