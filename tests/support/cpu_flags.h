#pragma once
// Whether the kernel lists a CPU flag ("hypervisor", "sse2") in /proc/cpuinfo.

#include <fstream>
#include <string>

inline bool HasCpuFlag(const std::string& flag) {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("flags", 0) == 0) {
            return (line + " ").find(" " + flag + " ") != std::string::npos;
        }
    }
    return false;
}
