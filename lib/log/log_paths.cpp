#include "log/log_paths.h"

#include "base/format.h"
#include "os/environment.h"
#include "text/path_text.h"

namespace NLogPaths {
namespace {

std::optional<std::u16string> FitPath(std::u16string path) {
    if (path.size() >= kLogPathUnits) {
        return std::nullopt;
    }
    return path;
}

}  // namespace

std::string GetDefaultFolder() {
    std::optional<std::string> profile = NOs::GetEnvironment("ALLUSERSPROFILE");
    if (!profile || profile->empty()) {
        profile = "/var/log";
    }
    return *profile + "/Veltrix/Tessaro6";
}

std::optional<std::u16string> JoinPath(const char16_t* folder, const char16_t* name) {
    return FitPath(NOs::JoinPath(std::u16string_view(folder), name));
}

std::optional<std::u16string> MakeLogFileName(const char16_t* folder, const char16_t* moduleName,
                                              bool mini) {
    return FitPath(NFormat::ToString(mini ? u"%s/Mini_%s.log" : u"%s/%s.log", folder, moduleName));
}

}  // namespace NLogPaths
