#pragma once

// The names that events and mutexes have in the Windows object manager.

#include <string>

#include "os/object_error.h"
#include "os/object_name.h"
#include "os/result.h"

namespace NOs {

// "Global\NAME" or "Local\NAME": a name without a namespace is the caller's
// own, so that the suite's other programs find the object. A namespace goes
// between the scope and the name ("Global\q6ns-NS.NAME"), keeping tests
// apart from the machine's objects. The name keeps object_name.h's escapes
// (no '\' after the scope).
std::u16string KernelObjectName(const NObjectName& name);

// The same for the name a caller gives; BadName when it cannot be used.
NResult<std::u16string> KernelObjectName(const std::string& name);

// Why an event or a mutex could not be created or opened (GetLastError):
// the kernel's "invalid handle" there means the name holds another kind.
NError NamedObjectError();

}  // namespace NOs
