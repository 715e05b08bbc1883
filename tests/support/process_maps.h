#pragma once
// What this process has mapped, as /proc/self/maps lists it.

#include <cstddef>
#include <fstream>
#include <string>

// True when a mapped file's path ends in pathSuffix (a full path names one
// file exactly).
inline bool IsFileMapped(const std::string& pathSuffix) {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        if (line.size() >= pathSuffix.size() &&
            line.compare(line.size() - pathSuffix.size(), pathSuffix.size(), pathSuffix) == 0) {
            return true;
        }
    }
    return false;
}

// The mappings of files below folder.
inline size_t CountMappingsUnder(const std::string& folder) {
    std::ifstream maps("/proc/self/maps");
    size_t count = 0;
    for (std::string line; std::getline(maps, line);) {
        count += line.find(folder + "/") != std::string::npos ? 1 : 0;
    }
    return count;
}
