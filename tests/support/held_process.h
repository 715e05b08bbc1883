#pragma once
// A child process stopped (SIGSTOP) until the object goes away: a test
// changes the child's surroundings while it cannot act, whatever the load.

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>

class NHeldProcess {
public:
    // Returns once the child has stopped (or ended).
    explicit NHeldProcess(pid_t pid) : m_nPid(pid) {
        ::kill(m_nPid, SIGSTOP);
        siginfo_t info{};
        ::waitid(P_PID, static_cast<id_t>(m_nPid), &info, WSTOPPED | WEXITED | WNOWAIT);
    }
    ~NHeldProcess() { ::kill(m_nPid, SIGCONT); }
    NHeldProcess(const NHeldProcess&) = delete;
    NHeldProcess& operator=(const NHeldProcess&) = delete;

private:
    pid_t m_nPid;
};
