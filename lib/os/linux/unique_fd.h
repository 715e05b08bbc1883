#pragma once
// The one owner of a file descriptor.

#include <unistd.h>

#include <cerrno>
#include <utility>

#include "os/object_error.h"

namespace NOs {

class NUniqueFd {
public:
    NUniqueFd() = default;
    explicit NUniqueFd(int fd) : m_nFd(fd) {}
    ~NUniqueFd() { Reset(); }
    NUniqueFd(NUniqueFd&& other) noexcept : m_nFd(std::exchange(other.m_nFd, -1)) {}
    NUniqueFd& operator=(NUniqueFd&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.m_nFd, -1));
        }
        return *this;
    }
    NUniqueFd(const NUniqueFd&) = delete;
    NUniqueFd& operator=(const NUniqueFd&) = delete;

    bool IsValid() const { return m_nFd >= 0; }
    int Get() const { return m_nFd; }

    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(m_nFd, -1); }

    void Reset(int fd = -1) {
        if (m_nFd >= 0) {
            ::close(m_nFd);
        }
        m_nFd = fd;
    }

private:
    int m_nFd = -1;
};

// The calling thread's errno as an error code.
inline NError LastError() { return NError::FromErrno(errno); }

}  // namespace NOs
