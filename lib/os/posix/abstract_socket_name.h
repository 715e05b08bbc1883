#pragma once
// Names in Linux's abstract Unix socket space: no file stands for them, so
// nobody can remove one from under its holder, and the kernel frees it the
// moment its holder's process ends. Any account can take a free name, which
// is why the account of a holder can be asked for.

#include <sys/types.h>

#include <optional>
#include <string>

#include "os/posix/unique_fd.h"
#include "os/result.h"

namespace NOs {

// A name of this space that stands for path (a hash of it, so that any path
// fits).
std::string AbstractNameOf(const std::string& path);

// Holds the name for as long as the result lives; EADDRINUSE when another
// socket holds it.
NResult<NUniqueFd> HoldAbstractSocketName(const std::string& name);

// The account whose socket holds the name; nothing when nobody does or the
// system cannot tell.
std::optional<uid_t> FindAbstractSocketHolder(const std::string& name);

}  // namespace NOs
