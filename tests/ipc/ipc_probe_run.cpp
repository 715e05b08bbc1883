#include "ipc_probe_run.h"

#include <algorithm>
#include <sstream>

#include "tests/support/child_process.h"

namespace fs = std::filesystem;

namespace {

// Longest name given to one folder of a long path.
constexpr size_t kMaxNameUnits = 200;

// Appends folders to base until its path is units characters long.
fs::path MakeFolderOfLength(const fs::path& base, size_t units) {
    fs::path folder = base;
    size_t length = base.native().size();
    while (length < units) {
        // Each step adds a separator and a name of one character or more.
        size_t step = std::min(units - length, kMaxNameUnits + 1);
        if (units - length - step == 1) {
            --step;
        }
        folder /= std::string(step - 1, 'd');
        length += step;
    }
    fs::create_directories(folder);
    return folder;
}

// Splits the probe's output into the report's parts.
void ParseOutput(const std::string& output, NProbeReport& report) {
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        const size_t space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (key == "mapped") {
            report.mapped.push_back(std::stoi(value));
        } else if (key == "result") {
            report.results.push_back(static_cast<int32_t>(std::stol(value)));
        } else if (key == "log") {
            report.logs.push_back(value);
        }
    }
}

}  // namespace

NProbeFolder::NProbeFolder(size_t folderUnits)
    : m_folder(MakeFolderOfLength(m_temp.Path() / "probe", folderUnits)) {
    fs::copy_file(Q6_IPC_PROBE, m_folder / "ipc_probe");
}

void NProbeFolder::AddLibrary(const std::string& variant, const std::string& fileName) {
    fs::copy_file(fs::path(Q6_IPC_DOUBLES_DIR) / variant / "qxipcdll.dll", m_folder / fileName);
}

NProbeReport NProbeFolder::Run(const std::vector<std::string>& arguments,
                               const std::vector<std::string>& environment) const {
    const fs::path callsFile = m_temp.Path() / "calls.txt";
    fs::remove(callsFile);
    NChildOptions options;
    options.vecEnvironment = {std::string(NIpcDouble::kCallsVariable) + "=" + callsFile.native()};
    options.vecEnvironment.insert(options.vecEnvironment.end(), environment.begin(),
                                  environment.end());
    const NChildResult child =
        NChildProcess::Run((m_folder / "ipc_probe").native(), arguments, options);
    NProbeReport report;
    report.nExitCode = child.nExitCode;
    ParseOutput(child.strOut, report);
    report.calls = NIpcDouble::ReadCalls(callsFile);
    return report;
}
