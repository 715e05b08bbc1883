#pragma once
// Runs a program to its end and collects what it printed on standard output.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

extern char** environ;

struct NChildResult {
    int nExitCode = -1;  // -1 when it could not be started or did not exit
    std::string strOutput;
};

// The child sees this process's environment plus extraEnvironment
// ("NAME=value" entries, which win over inherited ones).
inline NChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments,
                             const std::vector<std::string>& extraEnvironment = {}) {
    std::vector<std::string> argumentTexts{program};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : argumentTexts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);

    std::vector<std::string> environmentTexts(extraEnvironment);
    for (char** entry = environ; *entry != nullptr; ++entry) {
        environmentTexts.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (auto& text : environmentTexts) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);

    NChildResult result;
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    pid_t pid = 0;
    const int spawnError =
        ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(pipeEnds[0], buffer, sizeof(buffer));
        if (count > 0) {
            result.strOutput.append(buffer, static_cast<size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(pipeEnds[0]);
    int status = 0;
    if (spawnError == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        result.nExitCode = WEXITSTATUS(status);
    }
    return result;
}
