#pragma once
// Whether this process has a file mapped, as /proc/self/maps lists it.

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
