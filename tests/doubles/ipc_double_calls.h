#pragma once
// How a test drives the IPC library double (ipc_double.cpp): the environment
// entries that script its results and name the file of its calls, and the
// lines it writes there.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace NIpcDouble {

constexpr char kCallsVariable[] = "Q6_IPC_DOUBLE_CALLS";

// The variable whose value scripts the export's results ("0,7").
inline std::string ScriptVariable(const std::string& exportName) {
    return "Q6_IPC_DOUBLE_" + exportName;
}

// The same as an environment entry.
inline std::string Script(const std::string& exportName, const std::string& results) {
    return ScriptVariable(exportName) + "=" + results;
}

// The double's record of a write: "fnSetData 0x<id> <size> <data in hex>".
inline std::string SetDataCall(uint32_t id, const std::string& hexData) {
    char head[64];
    std::snprintf(head, sizeof(head), "fnSetData 0x%08x %zu ", id, hexData.size() / 2);
    return head + hexData;
}

// The calls recorded in file, one a line; none when there is no file.
inline std::vector<std::string> ReadCalls(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream stream(file);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace NIpcDouble
