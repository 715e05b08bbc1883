#pragma once
// Runs ipc_probe from a folder of its own, beside a chosen build of the IPC
// library double, and reads back what it printed and what the double saw.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/doubles/ipc_double_calls.h"
#include "tests/support/temp_folder.h"

struct NProbeReport {
    int nExitCode = -1;
    std::vector<int> mapped;         // library mapped after construction, after destruction
    std::vector<int32_t> results;    // one per call
    std::vector<std::string> logs;   // "[PRIORITY] message"
    std::vector<std::string> calls;  // as the double recorded them
};

class NProbeFolder {
public:
    // The probe's folder is folderUnits characters long when that is larger
    // than the temporary folder's own path.
    explicit NProbeFolder(size_t folderUnits = 0);

    const std::filesystem::path& Folder() const { return m_folder; }

    // Copies the double built in doubles/<variant>/ into the probe's folder.
    void AddLibrary(const std::string& variant, const std::string& fileName = "qxipcdll.dll");

    // environment: "NAME=value" entries, e.g. the double's scripts.
    NProbeReport Run(const std::vector<std::string>& arguments,
                     const std::vector<std::string>& environment = {}) const;

private:
    NTempFolder m_temp;
    std::filesystem::path m_folder;
};

// The probe's tests script the double and read its calls by these.
using NIpcDouble::Script;
using NIpcDouble::SetDataCall;
