#pragma once
// A file in memory (on the tmpfs of /dev/shm), for readers that take a file
// name: no disk traffic between fuzz runs. A plain file of its own rather
// than a memfd, whose /proc/self/fd path is a link that readers of settings
// do not follow.

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
