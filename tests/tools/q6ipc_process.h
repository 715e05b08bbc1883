#pragma once
// Runs a copy of q6ipc: to its end, collecting its exit code and both
// outputs, or in the background, reading its output line by line.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

struct NRunResult {
    int nExitCode = -1;  // -1 when it could not be started or did not exit
    std::string strOut;
    std::string strErr;
};

class NQ6IpcProcess {
public:
    NQ6IpcProcess() = default;
    ~NQ6IpcProcess() { Stop(); }
    NQ6IpcProcess(const NQ6IpcProcess&) = delete;
    NQ6IpcProcess& operator=(const NQ6IpcProcess&) = delete;

    // Starts program with arguments in the background; its standard output
    // comes through ReadLine, its standard error goes to errorFile.
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& errorFile) {
        int ends[2];
        if (::pipe(ends) != 0) {
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, ends[0]);
        posix_spawn_file_actions_addclose(&actions, ends[1]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        m_nPid = Spawn(program, arguments, &actions);
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        m_nOutFd = ends[0];
        return m_nPid > 0;
    }

    // The next line of output without its line end; false when none came
    // within timeoutMs or the output ended.
    bool ReadLine(std::string& line, int timeoutMs = 60000) {
        for (;;) {
            const size_t end = m_strPending.find('\n');
            if (end != std::string::npos) {
                line = m_strPending.substr(0, end);
                m_strPending.erase(0, end + 1);
                return true;
            }
            pollfd ready{m_nOutFd, POLLIN, 0};
            if (::poll(&ready, 1, timeoutMs) != 1) {
                return false;
            }
            char buffer[4096];
            const ssize_t count = ::read(m_nOutFd, buffer, sizeof(buffer));
            if (count <= 0) {
                return false;
            }
            m_strPending.append(buffer, static_cast<size_t>(count));
        }
    }

    // Ends the process if it still runs; its exit code, or -1.
    int Stop() {
        if (m_nOutFd >= 0) {
            ::close(m_nOutFd);
            m_nOutFd = -1;
        }
        if (m_nPid <= 0) {
            return -1;
        }
        ::kill(m_nPid, SIGTERM);
        int status = 0;
        const pid_t pid = ::waitpid(m_nPid, &status, 0);
        m_nPid = 0;
        return pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Runs program to its end; both outputs go through files in folder.
    static NRunResult Run(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder) {
        const std::string outFile = folder + "/stdout";
        const std::string errFile = folder + "/stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const pid_t pid = Spawn(program, arguments, &actions);
        posix_spawn_file_actions_destroy(&actions);
        NRunResult result;
        int status = 0;
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            result.nExitCode = WEXITSTATUS(status);
        }
        result.strOut = ReadFile(outFile);
        result.strErr = ReadFile(errFile);
        return result;
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

private:
    static pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
                       const posix_spawn_file_actions_t* actions) {
        std::vector<std::string> texts{program};
        texts.insert(texts.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& text : texts) {
            argv.push_back(text.data());
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        return ::posix_spawn(&pid, program.c_str(), actions, nullptr, argv.data(), environ) == 0
                   ? pid
                   : -1;
    }

    pid_t m_nPid = 0;
    int m_nOutFd = -1;
    std::string m_strPending;
};
