#pragma once
// The file name of a loaded module.

#include <optional>
#include <string>

namespace NOs {

// Full path (UTF-8) of the module that holds address; a null address names
// the running executable. Empty when it cannot be read. (On Linux:
// /proc/self/exe, and dladdr for a shared object.)
std::string GetModuleFilePath(const void* address);

// The folder of that module's file, as ParentFolder (path_text.h) gives it;
// nothing when the file's path cannot be read.
std::optional<std::string> GetModuleFolder(const void* address);

}  // namespace NOs
