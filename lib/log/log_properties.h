#pragma once
// q6agent.properties beside the running executable: the settings of the log
// (section "log") and of the agent's checks (section "agent"), read once per
// process.

#include <cstddef>
#include <optional>
#include <string>

// Longest "path" text, in bytes with the terminator.
constexpr size_t kLogPathBytes = 260;

// The values that apply when a key is missing. The layout of the log lines
// is fixed, so a "pattern" key is not read.
struct NLogProperties {
    int logLevel = 6;  // kLogInfo
    int logType = 0;   // 0: size-rolling, any other value: daily-rolling
    int maxFileSize = 1000000;
    int maxBackupIndex = 3;
    std::string path;  // folder of the log file, UTF-8; by default the default log folder
};

struct NAgentProperties {
    // Anything of the file's name, a folder too, counts as the file; none
    // when nothing of that name exists.
    std::optional<NLogProperties> log;
    bool bAllowVirtualMachine = false;  // allowVirtualMachine=1 in section "agent"
};

// The file as it was at the first call; nothing when the executable's folder
// cannot be read or the file's path does not fit the log's path buffers.
const std::optional<NAgentProperties>& GetAgentProperties();
