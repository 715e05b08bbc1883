#pragma once
// The file name of a loaded module.

#include <string>

namespace NOs {

// Full path (UTF-8) of the module that holds address; a null address names
// the running executable (/proc/self/exe). Empty when it cannot be read.
std::string GetModuleFilePath(const void* address);

}  // namespace NOs
