#include "fuzz/memory_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "fuzz/fuzz_check.h"

NMemoryFile::NMemoryFile() : m_strPath("/dev/shm/q6fuzz-XXXXXX") {
    m_nFd = ::mkostemp(m_strPath.data(), O_CLOEXEC);
    NFuzz::Require(m_nFd >= 0, "a memory file can be created");
}

NMemoryFile::~NMemoryFile() {
    ::close(m_nFd);
    ::unlink(m_strPath.c_str());
}

void NMemoryFile::Write(std::string_view content) {
    NFuzz::Require(::ftruncate(m_nFd, 0) == 0, "the memory file can be emptied");
    for (size_t done = 0; done < content.size();) {
        const ssize_t count =
            ::pwrite(m_nFd, content.data() + done, content.size() - done, static_cast<off_t>(done));
        NFuzz::Require(count > 0, "the memory file can be written");
        done += static_cast<size_t>(count);
    }
}
