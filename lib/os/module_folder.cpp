#include <optional>
#include <string>

#include "os/module_file.h"
#include "text/path_text.h"

namespace NOs {

std::optional<std::string> GetModuleFolder(const void* address) {
    const std::string path = GetModuleFilePath(address);
    if (path.empty()) {
        return std::nullopt;
    }
    return std::string(ParentFolder(path));
}

}  // namespace NOs
