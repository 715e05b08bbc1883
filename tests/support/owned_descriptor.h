#pragma once
// One file descriptor, closed when the object goes.

#include <fcntl.h>
#include <unistd.h>

class NOwnedDescriptor {
public:
    NOwnedDescriptor() = default;
    ~NOwnedDescriptor() { Close(); }
    NOwnedDescriptor(const NOwnedDescriptor&) = delete;
    NOwnedDescriptor& operator=(const NOwnedDescriptor&) = delete;

    int Get() const { return m_nFd; }
    bool IsOpen() const { return m_nFd >= 0; }

    void Close() { Reset(-1); }

    // Takes fd (-1: none) in place of the descriptor held.
    void Reset(int fd) {
        if (m_nFd >= 0) {
            ::close(m_nFd);
        }
        m_nFd = fd;
    }

    // Makes a pipe whose reading end this object and whose writing end
    // writeEnd then hold; neither is inherited by a program executed.
    bool OpenPipe(NOwnedDescriptor& writeEnd) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            return false;
        }
        Reset(ends[0]);
        writeEnd.Reset(ends[1]);
        return true;
    }

private:
    int m_nFd = -1;
};
