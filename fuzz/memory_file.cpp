#include "fuzz/memory_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include "fuzz/fuzz_check.h"

NMemoryFile::NMemoryFile()
    : m_nFd(::memfd_create("fuzz-input", MFD_CLOEXEC)),
      m_strPath("/proc/self/fd/" + std::to_string(m_nFd)) {
    NFuzz::Require(m_nFd >= 0, "a memory file can be created");
}

NMemoryFile::~NMemoryFile() { ::close(m_nFd); }

void NMemoryFile::Write(std::string_view content) {
    NFuzz::Require(::ftruncate(m_nFd, 0) == 0, "the memory file can be emptied");
    for (size_t done = 0; done < content.size();) {
        const ssize_t count =
            ::pwrite(m_nFd, content.data() + done, content.size() - done, static_cast<off_t>(done));
        NFuzz::Require(count > 0, "the memory file can be written");
        done += static_cast<size_t>(count);
    }
}
