#include "log/log_properties.h"

#include <optional>

#include "base/module_path.h"
#include "base/text_convert.h"
#include "base/version.h"
#include "log/log_paths.h"
#include "os/profile_file.h"

namespace {

constexpr char kSection[] = "log";

// The properties file in the executable's folder, UTF-8.
std::optional<std::string> GetPropertiesPath() {
    char16_t folder[kLogPathUnits] = {};
    if (!GetModuleFolder(nullptr, folder, kLogPathUnits)) {
        return std::nullopt;
    }
    const std::optional<std::u16string> path = NLogPaths::JoinPath(folder, kPropertiesFileName);
    if (!path) {
        return std::nullopt;
    }
    return NUtf::Utf16ToPath(*path);
}

}  // namespace

bool ReadLogProperties(NLogProperties& properties) {
    const std::optional<std::string> propertiesPath = GetPropertiesPath();
    if (!propertiesPath) {
        return false;
    }
    const NOs::NProfileFile profile(*propertiesPath);
    const NLogProperties defaults;
    properties.logLevel = profile.GetInt(kSection, "loglevel", defaults.logLevel);
    properties.logType = profile.GetInt(kSection, "logtype", defaults.logType);
    properties.maxFileSize = profile.GetInt(kSection, "maxFileSize", defaults.maxFileSize);
    properties.maxBackupIndex = profile.GetInt(kSection, "maxBackupIndex", defaults.maxBackupIndex);
    properties.path =
        profile.GetString(kSection, "path", IsVistaOrLater() ? NLogPaths::GetDefaultFolder() : "");
    // A cut path would name another folder.
    return properties.path.size() < kLogPathBytes;
}
