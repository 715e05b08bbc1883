#pragma once
// What starting a child process needs around the fork: its argument and
// environment vectors, made before, and what the forked child does until it
// executes the program.

#include <grp.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace NChildLaunch {

// What the forked child needs, ready before the fork: -1 keeps a standard
// descriptor as it is, uid 0 the account and a null folder the folder.
struct NSetup {
    int nInput;
    int nOutput;
    int nError;
    uid_t nUid;
    const char* pszFolder;
};

inline bool IsNamedIn(const std::vector<std::string>& entries, const std::string& entry) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    const std::string name = entry.substr(0, equals + 1);
    return std::any_of(entries.begin(), entries.end(), [&name](const std::string& given) {
        return given.compare(0, name.size(), name) == 0;
    });
}

// The entries ("NAME=value"), then, when inherit, this process's own but
// for those of the names given: which of two entries of one name a program
// sees differs from program to program.
inline std::vector<std::string> EnvironmentOf(const std::vector<std::string>& entries,
                                              bool inherit) {
    std::vector<std::string> environment(entries);
    for (char** entry = environ; inherit && *entry != nullptr; ++entry) {
        if (!IsNamedIn(entries, *entry)) {
            environment.emplace_back(*entry);
        }
    }
    return environment;
}

// The argument vector that runs program: in the Windows build, a program
// that Wine loads, through the Wine loader ($WINELOADER, or wine).
inline std::vector<std::string> CommandOf(const std::string& program,
                                          const std::vector<std::string>& arguments) {
    std::vector<std::string> command;
#ifdef _WIN32
    const char* loader = std::getenv("WINELOADER");
    command.emplace_back(loader != nullptr && *loader != '\0' ? loader : "/usr/bin/wine");
#endif
    command.push_back(program);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

// The zero-terminated array of the texts' characters, for execve.
inline std::vector<char*> PointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Gives up root for uid, with the group of the same number and no others.
inline bool BecomeUser(uid_t uid) {
    return ::setgroups(0, nullptr) == 0 && ::setresgid(uid, uid, uid) == 0 &&
           ::setresuid(uid, uid, uid) == 0;
}

// Runs in the forked child, which may come from a process with threads: it
// allocates nothing. Exits with 126 when it cannot take the account or the
// folder, with 127 when the program cannot be executed.
[[noreturn]] inline void Exec(const NSetup& setup, const char* program, char* const* argv,
                              char* const* envp) {
    const int sources[] = {setup.nInput, setup.nOutput, setup.nError};
    for (int target = STDIN_FILENO; target <= STDERR_FILENO; ++target) {
        if (sources[target] >= 0) {
            ::dup2(sources[target], target);
        }
    }
    // Nothing else of the parent's (a test runner's pipes) reaches the
    // program: its descriptors are its own to count.
    ::close_range(STDERR_FILENO + 1, ~0U, 0);
    if (setup.nUid != 0 && !BecomeUser(setup.nUid)) {
        ::_exit(126);
    }
    if (setup.pszFolder != nullptr && ::chdir(setup.pszFolder) != 0) {
        ::_exit(126);
    }
    ::execve(program, argv, envp);
    ::_exit(127);
}

}  // namespace NChildLaunch
