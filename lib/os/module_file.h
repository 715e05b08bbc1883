#pragma once
// The file name of a loaded module.

#include <string>

#include "os/result.h"

namespace NOs {

// Full path (UTF-8) of the module that holds address, or why it cannot be
// read; a null address names the running executable. (On Linux:
// /proc/self/exe, and dladdr for a shared object.)
NResult<std::string> GetModuleFilePath(const void* address);

// The folder of that module's file, as ParentFolder (path_text.h) gives it.
NResult<std::string> GetModuleFolder(const void* address);

}  // namespace NOs
