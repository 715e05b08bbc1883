#include "log/log_properties.h"

#include "base/module_path.h"
#include "base/text_convert.h"
#include "base/version.h"
#include "log/log_paths.h"
#include "os/profile_file.h"

namespace {

constexpr char kLogSection[] = "log";
constexpr char kAgentSection[] = "agent";

NLogProperties ReadLogSection(const NOs::NProfileFile& profile) {
    const NLogProperties defaults;
    NLogProperties properties;
    properties.logLevel = profile.GetInt(kLogSection, "loglevel", defaults.logLevel);
    properties.logType = profile.GetInt(kLogSection, "logtype", defaults.logType);
    properties.maxFileSize = profile.GetInt(kLogSection, "maxFileSize", defaults.maxFileSize);
    properties.maxBackupIndex =
        profile.GetInt(kLogSection, "maxBackupIndex", defaults.maxBackupIndex);
    properties.path = profile.GetString(kLogSection, "path",
                                        IsVistaOrLater() ? NLogPaths::GetDefaultFolder() : "");
    return properties;
}

std::optional<NAgentProperties> ReadAgentProperties() {
    char16_t folder[kLogPathUnits] = {};
    if (!GetModuleFolder(nullptr, folder, kLogPathUnits)) {
        return std::nullopt;
    }
    const std::optional<std::u16string> path = NLogPaths::JoinPath(folder, kPropertiesFileName);
    const std::optional<std::string> osPath = path ? NUtf::Utf16ToPath(*path) : std::nullopt;
    if (!osPath) {
        return std::nullopt;
    }
    NAgentProperties properties;
    if (GetPathKind(path->c_str()) == kPathMissing) {
        return properties;
    }
    const NOs::NProfileFile profile(*osPath);
    properties.log = ReadLogSection(profile);
    properties.bAllowVirtualMachine = profile.GetInt(kAgentSection, "allowVirtualMachine", 0) != 0;
    return properties;
}

}  // namespace

const std::optional<NAgentProperties>& GetAgentProperties() {
    static const std::optional<NAgentProperties> properties = ReadAgentProperties();
    return properties;
}
