#include "agent/vm_opt_in.h"

#include "base/module_path.h"
#include "base/text_convert.h"
#include "log/log_paths.h"
#include "os/profile_file.h"

namespace NVmOptIn {

bool IsVirtualMachineAllowed() {
    char16_t folder[kLogPathUnits] = {};
    if (!GetModuleFolder(nullptr, folder, kLogPathUnits)) {
        return false;
    }
    const auto path = NLogPaths::JoinPath(folder, kPropertiesFileName);
    const std::optional<std::string> osPath = path ? NUtf::Utf16ToPath(*path) : std::nullopt;
    if (!osPath) {
        return false;
    }
    const NOs::NProfileFile properties(*osPath);
    return properties.GetInt("agent", "allowVirtualMachine", 0) != 0;
}

}  // namespace NVmOptIn
