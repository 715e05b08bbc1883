#include "os/command_line.h"

#include <fstream>
#include <iterator>

namespace NOs {

std::vector<std::string> GetCommandLineEntries() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> entries;
    // Every entry ends with a zero byte, the last one included.
    for (size_t start = 0; start < raw.size();) {
        const size_t end = raw.find('\0', start);
        const size_t stop = end == std::string::npos ? raw.size() : end;
        entries.emplace_back(raw, start, stop - start);
        start = stop + 1;
    }
    return entries;
}

}  // namespace NOs
