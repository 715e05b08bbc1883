#pragma once
// The reasons of failed system calls, in the terms of object_error.h.

#include <cerrno>

#include "os/object_error.h"

namespace NOs {

// The calling thread's errno as an error code.
inline NError LastError() { return NError::FromErrno(errno); }

}  // namespace NOs
