#pragma once
// The reading of the kernel's lock table (/proc/locks) behind
// root_mutex_probe.h, for tests.

#include <string>

#include "os/linux/object_folder.h"

namespace NOs {

// Whether the table's text shows a granted write lock (of any kind: POSIX,
// open file description or flock) on the file id; a waiter's line does not
// count.
bool LockTableHoldsWriteLock(const std::string& table, const NFileId& id);

}  // namespace NOs
