#pragma once
// Runs a piece of a test in a forked child process, and passes single bytes
// between parent and child.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "tests/support/child_launch.h"

// A pipe that carries single bytes; either end may be used by either process.
class NPipe {
public:
    NPipe() {
        if (::pipe(m_aFds) != 0) {
            m_aFds[0] = m_aFds[1] = -1;
        }
    }
    ~NPipe() {
        ::close(m_aFds[0]);
        ::close(m_aFds[1]);
    }
    NPipe(const NPipe&) = delete;
    NPipe& operator=(const NPipe&) = delete;

    bool Send(char byte = 'x') { return ::write(m_aFds[1], &byte, 1) == 1; }

    // Blocks until a byte arrives; false when the other side is gone.
    bool Receive(char* received = nullptr) {
        char byte = 0;
        ssize_t count = 0;
        do {
            count = ::read(m_aFds[0], &byte, 1);
        } while (count < 0 && errno == EINTR);
        if (received != nullptr) {
            *received = byte;
        }
        return count == 1;
    }

private:
    int m_aFds[2];
};

class NForkedChild {
public:
    // The child runs body and ends with its result as exit code, without
    // running any destructor or exit handler of the parent's.
    template <class Body>
    explicit NForkedChild(const Body& body) : m_nPid(::fork()) {
        if (m_nPid == 0) {
            ::_exit(body());
        }
    }
    ~NForkedChild() { Kill(); }
    NForkedChild(const NForkedChild&) = delete;
    NForkedChild& operator=(const NForkedChild&) = delete;

    bool IsStarted() const { return m_nPid > 0; }
    pid_t Pid() const { return m_nPid; }

    // Exit code, or -1 when the child did not exit normally.
    int Wait() {
        if (m_nPid <= 0) {
            return -1;
        }
        int status = 0;
        const pid_t pid = ::waitpid(m_nPid, &status, 0);
        m_nPid = 0;
        return pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // True while the child has not ended; an ended child stays waitable.
    bool IsRunning() {
        siginfo_t info{};
        return m_nPid > 0 &&
               ::waitid(P_PID, static_cast<id_t>(m_nPid), &info, WEXITED | WNOHANG | WNOWAIT) ==
                   0 &&
               info.si_pid == 0;
    }

    void Kill() {
        if (m_nPid > 0) {
            ::kill(m_nPid, SIGKILL);
            Wait();
        }
    }

private:
    pid_t m_nPid;
};

// Gives up root for the unprivileged account nobody (uid and gid 65534).
inline bool DropToNobody() { return NChildLaunch::BecomeUser(65534); }
