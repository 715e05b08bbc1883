#pragma once
// The space of named synchronisation objects (events, mutexes), kept in
// POSIX shared memory.
//
// A name that begins with "Global\" is machine-wide. Any other name, with or
// without "Local\", lives in the Local space of the calling account (its
// effective uid), the counterpart of a Windows session's local names; an
// object found there that another account created is never used. Names are
// case-sensitive. Each object records its kind, so one kind never opens
// another kind's name. Objects outlive the processes that use them and keep
// their state until they are removed.

#include <string>

namespace NOs {

// Who may open a new object: like a new file of the process (mode 0666 less
// the umask), or every account (mode 0666 whatever the umask; a null DACL).
enum class NObjectAccess { Default, Everyone };

// The shared-memory object name of an object name (see shared_memory.h);
// empty when the name is empty or too long.
std::string GetNamedObjectShmName(const std::string& name);

// Removes the named object; true when it is gone (or was not there). Handles
// that are open keep working on the removed object.
bool RemoveNamedObject(const std::string& name);

}  // namespace NOs
