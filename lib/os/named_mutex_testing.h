#pragma once
// What only tests ask of a named mutex: its holders call Retake.

#include "os/named_mutex.h"

namespace NOs {

// Whether this object holds the mutex, as of its creation or last Retake.
bool IsOwned(const NNamedMutex& mutex);

}  // namespace NOs
