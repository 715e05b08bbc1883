#pragma once
// The process command line.

#include <string>
#include <vector>

namespace NOs {

// The entries of the command line as the process was started with them,
// entry 0 being the program path, whatever main() received. Empty when it
// cannot be read. (On Linux: /proc/self/cmdline.)
std::vector<std::string> GetCommandLineEntries();

}  // namespace NOs
