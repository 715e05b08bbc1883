#include "os/command_line.h"

#include <windows.h>
// windows.h first: shellapi.h builds on it.
#include <shellapi.h>

#include <memory>

#include "text/utf_codec.h"

namespace NOs {

std::vector<std::string> GetCommandLineEntries() {
    int count = 0;
    // CommandLineToArgvW splits the line as the C runtime of every Windows
    // program does; its array is one LocalAlloc block.
    const std::unique_ptr<LPWSTR, HLOCAL (*)(HLOCAL)> arguments(
        ::CommandLineToArgvW(::GetCommandLineW(), &count),
        [](HLOCAL block) { return ::LocalFree(block); });
    std::vector<std::string> entries;
    if (!arguments) {
        return entries;
    }
    for (int i = 0; i < count; ++i) {
        entries.push_back(NUtf::ToUtf8(arguments.get()[i]));
    }
    return entries;
}

}  // namespace NOs
