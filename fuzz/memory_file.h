#pragma once
// An anonymous file in memory with a path that open() accepts, for readers
// that take a file name: no disk traffic between fuzz runs.

#include <string>
#include <string_view>

class NMemoryFile {
public:
    NMemoryFile();
    NMemoryFile(const NMemoryFile&) = delete;
    NMemoryFile& operator=(const NMemoryFile&) = delete;
    ~NMemoryFile();

    // Replaces the whole content; aborts the run when it cannot.
    void Write(std::string_view content);
    const std::string& GetPath() const { return m_strPath; }

private:
    int m_nFd;
    std::string m_strPath;
};
