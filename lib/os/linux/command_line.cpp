#include "os/command_line.h"

#include "os/file_reader.h"

namespace NOs {
namespace {

// More than the kernel passes to a program (its limit is a quarter of the
// stack limit, 2 MiB by default).
constexpr size_t kMaxCommandLineBytes = 64 << 20;

}  // namespace

std::vector<std::string> GetCommandLineEntries() {
    const NResult<std::string> read = ReadWholeFile("/proc/self/cmdline", kMaxCommandLineBytes);
    const std::string raw = read ? read.Value() : std::string();
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
