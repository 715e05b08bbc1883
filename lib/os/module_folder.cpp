#include <string>

#include "os/module_file.h"
#include "text/path_text.h"

namespace NOs {

NResult<std::string> GetModuleFolder(const void* address) {
    const NResult<std::string> path = GetModuleFilePath(address);
    if (!path) {
        return path.Error();
    }
    return std::string(ParentFolder(path.Value()));
}

}  // namespace NOs
