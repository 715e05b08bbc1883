#pragma once
// Work that the child of a fork must do before it goes on
// (pthread_atfork). A handler registered by a shared library goes with it
// when the library is unloaded.

namespace NOs {

// Calls handler in every child forked from now on; false when it cannot be
// registered.
[[nodiscard]] bool OnForkChild(void (*handler)());

}  // namespace NOs
