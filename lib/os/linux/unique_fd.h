#pragma once
// The one owner of a file descriptor.

#include <unistd.h>

#include "os/scoped_handle.h"

namespace NOs {

struct NFdTraits {
    using Handle = int;
    static int None() { return -1; }
    static bool IsValid(int fd) { return fd >= 0; }
    static void Close(int fd) { ::close(fd); }
};

using NUniqueFd = NScopedHandle<NFdTraits>;

}  // namespace NOs
