#pragma once
// A shared object is whole when every part that the loader maps lies inside
// the file: a file cut short (an interrupted copy, a full disk) would
// otherwise load and fault the process (SIGBUS) at its first touch of a
// missing page.

#include <cstdint>

#include "os/linux/unique_fd.h"
#include "os/result.h"

namespace NOs {

// Ok when the open file, of fileSize bytes, is an ELF shared object of this
// process's class and machine whose headers, segments and section table all
// lie inside it; NObjectError::NotWhole otherwise.
NStatus CheckWholeSharedObject(const NUniqueFd& file, uint64_t fileSize);

}  // namespace NOs
