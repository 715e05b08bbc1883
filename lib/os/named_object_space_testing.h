#pragma once
// Where a space's objects stand, and their removal, which only tests and
// their tools need: the agent and the IPC library never remove an event or a
// mutex by name.

#include <string>

#include "os/object_name.h"
#include "os/result.h"

namespace NOs {

// The folder (on Windows, the object directory) of a space of a namespace
// (empty: the machine's own objects).
std::string GetObjectSpacePath(NObjectSpace space, const std::string& objectNamespace);

// Removes the named event or mutex with what the system keeps for it;
// succeeds when it is gone or was not there. Waits on a removed event end
// (Failed); a set makes it anew. (Shared memory: linux/shared_memory.h.)
NStatus RemoveNamedObject(const std::string& name);

// Removes the caller's spaces of the namespace with everything in them;
// refused for an invalid or empty namespace, so that the machine's own
// objects stay.
NStatus RemoveObjectNamespace(const std::string& objectNamespace);

}  // namespace NOs
