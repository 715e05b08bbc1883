#pragma once
// Runs a program to its end, or until a time limit, optionally as another
// account, and collects what it printed on standard output.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

extern char** environ;

struct NChildResult {
    int nExitCode = -1;      // -1 when it could not be started or did not exit
    bool bTimedOut = false;  // killed at the time limit
    std::string strOutput;
};

struct NChildOptions {
    // "NAME=value" entries, which win over the inherited environment.
    std::vector<std::string> vecEnvironment;
    uid_t nUid = 0;                        // 0: the account of this process
    std::chrono::milliseconds timeout{0};  // 0: no limit
};

namespace NChildProcess {

// The zero-terminated array of the texts' characters, for execve.
inline std::vector<char*> PointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Runs in the forked child, which may come from a process with threads: it
// allocates nothing. output becomes standard output (-1: it is kept).
[[noreturn]] inline void Exec(int output, uid_t uid, const char* program, char* const* argv,
                              char* const* envp) {
    if (output >= 0) {
        ::dup2(output, STDOUT_FILENO);
    }
    if (uid != 0 && (::setresgid(uid, uid, uid) != 0 || ::setresuid(uid, uid, uid) != 0)) {
        ::_exit(126);
    }
    ::execve(program, argv, envp);
    ::_exit(127);
}

// Reads until the output ends or the deadline passes; false at the deadline.
inline bool ReadAll(int fd, std::string& output, std::chrono::steady_clock::time_point deadline,
                    bool limited) {
    char buffer[4096];
    for (;;) {
        int waitMs = -1;
        if (limited) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            waitMs = static_cast<int>(left.count());
        }
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, waitMs);
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled == 0) {
            return false;
        }
        const ssize_t count = ::read(fd, buffer, sizeof(buffer));
        if (count > 0) {
            output.append(buffer, static_cast<size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            return true;
        }
    }
}

}  // namespace NChildProcess

inline NChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments,
                             const NChildOptions& options) {
    std::vector<std::string> argumentTexts{program};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environmentTexts(options.vecEnvironment);
    for (char** entry = environ; *entry != nullptr; ++entry) {
        environmentTexts.emplace_back(*entry);
    }
    const std::vector<char*> argv = NChildProcess::PointersTo(argumentTexts);
    const std::vector<char*> envp = NChildProcess::PointersTo(environmentTexts);

    NChildResult result;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return result;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        NChildProcess::Exec(ends[1], options.nUid, program.c_str(), argv.data(), envp.data());
    }
    ::close(ends[1]);
    const bool limited = options.timeout.count() > 0;
    const bool ended = pid > 0 && NChildProcess::ReadAll(
                                      ends[0], result.strOutput,
                                      std::chrono::steady_clock::now() + options.timeout, limited);
    ::close(ends[0]);
    if (pid <= 0) {
        return result;
    }
    if (!ended) {
        ::kill(pid, SIGKILL);
        result.bTimedOut = true;
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && !result.bTimedOut) {
        result.nExitCode = WEXITSTATUS(status);
    }
    return result;
}

inline NChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments,
                             const std::vector<std::string>& extraEnvironment = {}) {
    NChildOptions options;
    options.vecEnvironment = extraEnvironment;
    return RunChild(program, arguments, options);
}
