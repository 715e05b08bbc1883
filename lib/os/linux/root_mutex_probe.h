#pragma once
// Whether a live process holds a named mutex of root's own space (as the
// agent's single-instance mutex), asked by any account. Root's mutexes are
// records that only root can open, so only a process of root's can hold
// one, and no other account can make the answer "held". The kernel's table
// of file locks, which every account may read, tells whether the record
// under the name is locked now: a holder that ended holds nothing.

#include <string>

#include "os/result.h"

namespace NOs {

enum class NMutexHolding {
    Held,     // a live process holds it
    Free,     // its record is there, held by nobody
    Missing,  // no record under the name: never made, or removed
};

// name as root names it: "Local\NAME" or "NAME", in the process's object
// namespace (object_name.h). BadName for a name that cannot be used.
NResult<NMutexHolding> ProbeRootMutex(const std::string& name);

}  // namespace NOs
