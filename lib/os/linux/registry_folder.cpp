#include "os/linux/registry_folder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "os/environment.h"
#include "os/file_reader.h"
#include "os/module_file.h"
#include "regfile/reg_file_parser.h"
#include "text/path_text.h"

namespace NOs {
namespace {

constexpr std::string_view kRegExtension = ".reg";

bool HasRegExtension(const std::string& name) {
    if (name.size() <= kRegExtension.size()) {
        return false;
    }
    const std::string_view tail = std::string_view(name).substr(name.size() - kRegExtension.size());
    return std::equal(tail.begin(), tail.end(), kRegExtension.begin(), [](char left, char right) {
        return std::tolower(static_cast<unsigned char>(left)) == right;
    });
}

// Every *.reg name of the folder, whatever it is: ReadTrustedFile leaves out
// what is not a plain file that only trusted accounts can change.
std::vector<std::string> ListRegFiles(const std::string& folder) {
    std::vector<std::string> paths;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (HasRegExtension(name)) {
            paths.push_back(JoinPath(folder, name));
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace

std::string GetRegistryFolder() {
    const std::optional<std::string> configured = GetEnvironment(kRegistryFolderVariable);
    if (configured && !configured->empty()) {
        return *configured;
    }
    const NResult<std::string> folder = GetModuleFolder(nullptr);
    return folder ? JoinPath(folder.Value(), "registry") : std::string();  // no folder to read
}

void LoadRegistryFolder(const std::string& folder, NRegTree& tree) {
    for (const std::string& path : ListRegFiles(folder)) {
        // A file that is not plain or too long is left out.
        if (const NResult<std::string> bytes = ReadTrustedFile(path, kMaxRegFileSize)) {
            ApplyRegFile(bytes.Value(), tree);
        }
    }
}

}  // namespace NOs
