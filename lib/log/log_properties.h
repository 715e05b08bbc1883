#pragma once
// The optional settings of the log: section "log" of q6agent.properties
// beside the running executable.

#include <cstddef>
#include <string>

// Longest "path" text, in bytes with the terminator.
constexpr size_t kLogPathBytes = 260;

// The values that apply when a key is missing. The layout of the log lines
// is fixed, so a "pattern" key is not read.
struct NLogProperties {
    int logLevel = 6;
    int logType = 0;  // 0: size-rolling, any other value: daily-rolling
    int maxFileSize = 1000000;
    int maxBackupIndex = 3;
    std::string path;  // folder of the log file, UTF-8; by default the default log folder
};

// Reads the file; a missing file or key gives the defaults. False when the
// executable's folder cannot be read or "path" does not fit kLogPathBytes.
bool ReadLogProperties(NLogProperties& properties);
