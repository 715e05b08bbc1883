#include "agent/launch_arguments.h"

#include <string_view>

#include "base/text_convert.h"
#include "os/command_line.h"

namespace NLaunchArguments {

std::vector<NString> Read() {
    std::vector<NString> entries;
    for (const std::string& entry : NOs::GetCommandLineEntries()) {
        entries.emplace_back(NUtf::ToUtf16(entry).c_str());
    }
    return entries;
}

bool IsExactly(const NString& entry, const char16_t* expected) {
    return std::u16string_view(entry.GetText()) == std::u16string_view(expected);
}

}  // namespace NLaunchArguments
