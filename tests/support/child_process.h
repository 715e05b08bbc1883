#pragma once
// Runs a program in a child process: to its end (NChildProcess::Run), or in
// the background through a handle that reads its output, waits for it and
// kills it. Optionally as another account, in another working folder, with
// an environment and a standard input of the test's choosing.

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

struct NChildOptions {
    // "NAME=value" entries, which win over the inherited environment.
    std::vector<std::string> vecEnvironment;
    bool bInheritEnvironment = true;  // false: the entries above are all it gets
    uid_t nUid = 0;                   // 0: the account of this process
    std::string strFolder;            // working folder; empty: this process's
    std::string strInput;             // all of standard input (at most 64 KiB)
    // Both outputs are captured unless they stay this process's own; standard
    // error goes into strErrorFile instead when that is set.
    bool bInheritOutputs = false;
    std::string strErrorFile;
    std::chrono::milliseconds timeout{0};  // Run kills it after this; 0: no limit
};

struct NChildResult {
    // The exit code, 128 + the signal's number when a signal ended it; -1
    // when it could not be started or was killed at the time limit.
    int nExitCode = -1;
    bool bTimedOut = false;
    std::string strOut;
    std::string strErr;
};

class NChildProcess {
public:
    using NClock = std::chrono::steady_clock;

    NChildProcess() = default;
    // A child that still runs is killed.
    ~NChildProcess() { Kill(); }
    NChildProcess(const NChildProcess&) = delete;
    NChildProcess& operator=(const NChildProcess&) = delete;

    // Runs program to its end, collecting both outputs.
    static NChildResult Run(const std::string& program, const std::vector<std::string>& arguments,
                            const NChildOptions& options = {}) {
        NChildProcess child;
        if (!child.Start(program, arguments, options)) {
            return {};
        }
        return child.Finish(options.timeout);
    }

    // Starts program, once per handle. A program that cannot be executed
    // exits with 127, one that cannot take the account or folder with 126.
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               const NChildOptions& options = {}) {
        if (m_nPid != 0) {
            return false;
        }
        std::vector<std::string> argumentTexts{program};
        argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
        std::vector<std::string> environmentTexts = EnvironmentOf(options);
        const std::vector<char*> argv = PointersTo(argumentTexts);
        const std::vector<char*> envp = PointersTo(environmentTexts);
        NDescriptor input;
        NDescriptor output;
        NDescriptor error;
        if (!MakeInput(options.strInput, input) || !MakeOutputs(options, output, error)) {
            return false;
        }
        const NSetup setup{input.Get(), output.Get(), error.Get(), options.nUid,
                           options.strFolder.empty() ? nullptr : options.strFolder.c_str()};
        m_nPid = ::fork();
        if (m_nPid == 0) {
            Exec(setup, program.c_str(), argv.data(), envp.data());
        }
        return m_nPid > 0;
    }

    pid_t Pid() const { return m_nPid; }

    // The next line of captured standard output, without its line end; false
    // when none came within timeout or the output ended.
    bool ReadLine(std::string& line, std::chrono::milliseconds timeout) {
        const NClock::time_point deadline = NClock::now() + timeout;
        for (;;) {
            const size_t end = m_strOut.find('\n');
            if (end != std::string::npos) {
                line = m_strOut.substr(0, end);
                m_strOut.erase(0, end + 1);
                return true;
            }
            if (!m_output.IsOpen() || !ReadOutputs(deadline)) {
                return false;
            }
        }
    }

    // The exit code (see NChildResult) once the child ended within timeout;
    // nothing while it still runs or when it was never started.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout) {
        return WaitUntil(NClock::now() + timeout);
    }

    // Sends signal to the child unless it has ended, and waits for its end;
    // its exit code, nothing when it was never started.
    std::optional<int> Kill(int signal = SIGKILL) {
        if (m_nPid <= 0) {
            return std::nullopt;
        }
        if (!Reap(WNOHANG)) {
            ::kill(m_nPid, signal);
            Reap(0);
        }
        return m_optExitCode;
    }

    // Collects both outputs until they end and waits for the child's end; a
    // child that is not done within timeout (0: no limit) is killed.
    NChildResult Finish(std::chrono::milliseconds timeout) {
        const NClock::time_point deadline =
            timeout.count() > 0 ? NClock::now() + timeout : NClock::time_point::max();
        while (IsCapturing() && ReadOutputs(deadline)) {
        }
        NChildResult result;
        const std::optional<int> exitCode = IsCapturing() ? std::nullopt : WaitUntil(deadline);
        if (exitCode) {
            result.nExitCode = *exitCode;
        } else {
            result.bTimedOut = Kill().has_value();
        }
        result.strOut = std::move(m_strOut);
        result.strErr = std::move(m_strErr);
        return result;
    }

private:
    static constexpr auto kPollPause = std::chrono::milliseconds(10);

    // One owned file descriptor.
    class NDescriptor {
    public:
        NDescriptor() = default;
        explicit NDescriptor(int fd) : m_nFd(fd) {}
        ~NDescriptor() { Close(); }
        NDescriptor(const NDescriptor&) = delete;
        NDescriptor& operator=(const NDescriptor&) = delete;

        int Get() const { return m_nFd; }
        bool IsOpen() const { return m_nFd >= 0; }
        void Close() {
            if (m_nFd >= 0) {
                ::close(m_nFd);
                m_nFd = -1;
            }
        }
        // Makes a pipe whose ends this and writeEnd then own.
        bool OpenPipe(NDescriptor& writeEnd) {
            int ends[2];
            if (::pipe2(ends, O_CLOEXEC) != 0) {
                return false;
            }
            Reset(ends[0]);
            writeEnd.Reset(ends[1]);
            return true;
        }
        void Reset(int fd) {
            Close();
            m_nFd = fd;
        }

    private:
        int m_nFd = -1;
    };

    // What the forked child needs, prepared before the fork: -1 keeps a
    // standard descriptor as it is.
    struct NSetup {
        int nInput;
        int nOutput;
        int nError;
        uid_t nUid;
        const char* pszFolder;
    };

    // The inherited entries of the names given are left out: which of two
    // entries of one name a program sees differs from program to program.
    static std::vector<std::string> EnvironmentOf(const NChildOptions& options) {
        std::vector<std::string> entries(options.vecEnvironment);
        for (char** entry = environ; options.bInheritEnvironment && *entry != nullptr; ++entry) {
            if (!IsNamedIn(options.vecEnvironment, *entry)) {
                entries.emplace_back(*entry);
            }
        }
        return entries;
    }

    static bool IsNamedIn(const std::vector<std::string>& entries, const std::string& entry) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            return false;
        }
        const std::string name = entry.substr(0, equals + 1);
        return std::any_of(entries.begin(), entries.end(), [&name](const std::string& given) {
            return given.compare(0, name.size(), name) == 0;
        });
    }

    // The zero-terminated array of the texts' characters, for execve.
    static std::vector<char*> PointersTo(std::vector<std::string>& texts) {
        std::vector<char*> pointers;
        for (std::string& text : texts) {
            pointers.push_back(text.data());
        }
        pointers.push_back(nullptr);
        return pointers;
    }

    // The reading end of a pipe that already holds all of input and whose
    // writing end is closed again.
    static bool MakeInput(const std::string& input, NDescriptor& readEnd) {
        NDescriptor writeEnd;
        if (!readEnd.OpenPipe(writeEnd) || ::fcntl(writeEnd.Get(), F_SETFL, O_NONBLOCK) != 0) {
            return false;
        }
        return input.empty() || ::write(writeEnd.Get(), input.data(), input.size()) ==
                                    static_cast<ssize_t>(input.size());
    }

    // The child's ends of its outputs; the ends that capture them stay here.
    bool MakeOutputs(const NChildOptions& options, NDescriptor& output, NDescriptor& error) {
        if (options.bInheritOutputs) {
            return true;
        }
        if (!m_output.OpenPipe(output)) {
            return false;
        }
        if (options.strErrorFile.empty()) {
            return m_error.OpenPipe(error);
        }
        error.Reset(
            ::open(options.strErrorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        return error.IsOpen();
    }

    // Runs in the forked child, which may come from a process with threads:
    // it allocates nothing.
    [[noreturn]] static void Exec(const NSetup& setup, const char* program, char* const* argv,
                                  char* const* envp) {
        const int sources[] = {setup.nInput, setup.nOutput, setup.nError};
        for (int target = STDIN_FILENO; target <= STDERR_FILENO; ++target) {
            if (sources[target] >= 0) {
                ::dup2(sources[target], target);
            }
        }
        if (setup.nUid != 0 && !BecomeUser(setup.nUid)) {
            ::_exit(126);
        }
        if (setup.pszFolder != nullptr && ::chdir(setup.pszFolder) != 0) {
            ::_exit(126);
        }
        ::execve(program, argv, envp);
        ::_exit(127);
    }

    // Gives up root for uid, with the group of the same number and no others.
    static bool BecomeUser(uid_t uid) {
        return ::setgroups(0, nullptr) == 0 && ::setresgid(uid, uid, uid) == 0 &&
               ::setresuid(uid, uid, uid) == 0;
    }

    bool IsCapturing() const { return m_output.IsOpen() || m_error.IsOpen(); }

    static int MillisecondsUntil(NClock::time_point deadline) {
        if (deadline == NClock::time_point::max()) {
            return -1;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - NClock::now());
        return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    }

    // Waits, at the latest until deadline, until a captured output has
    // something or ends, and reads it. False when the deadline came first or
    // nothing is captured.
    bool ReadOutputs(NClock::time_point deadline) {
        std::pair<NDescriptor*, std::string*> open[2];
        pollfd ready[2];
        nfds_t count = 0;
        for (const auto& stream :
             {std::make_pair(&m_output, &m_strOut), std::make_pair(&m_error, &m_strErr)}) {
            if (stream.first->IsOpen()) {
                open[count] = stream;
                ready[count++] = pollfd{stream.first->Get(), POLLIN, 0};
            }
        }
        if (count == 0) {
            return false;
        }
        const int polled = ::poll(ready, count, MillisecondsUntil(deadline));
        if (polled <= 0) {
            return polled < 0 && errno == EINTR;
        }
        for (nfds_t index = 0; index < count; ++index) {
            if (ready[index].revents != 0) {
                ReadInto(*open[index].first, *open[index].second);
            }
        }
        return true;
    }

    static void ReadInto(NDescriptor& from, std::string& text) {
        char buffer[4096];
        const ssize_t count = ::read(from.Get(), buffer, sizeof(buffer));
        if (count > 0) {
            text.append(buffer, static_cast<size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            from.Close();
        }
    }

    // True once the child has ended and its exit code is known.
    bool Reap(int flags) {
        if (m_optExitCode || m_nPid <= 0) {
            return m_optExitCode.has_value();
        }
        int status = 0;
        pid_t reaped = 0;
        do {
            reaped = ::waitpid(m_nPid, &status, flags);
        } while (reaped < 0 && errno == EINTR);
        if (reaped != m_nPid) {
            return false;
        }
        m_optExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return true;
    }

    // Reads the captured outputs meanwhile, so that a child never blocks on
    // a full pipe while it is waited for.
    std::optional<int> WaitUntil(NClock::time_point deadline) {
        while (!Reap(WNOHANG)) {
            if (m_nPid <= 0 || NClock::now() >= deadline) {
                return std::nullopt;
            }
            const NClock::time_point slice = std::min(deadline, NClock::now() + kPollPause);
            if (!IsCapturing() || !ReadOutputs(slice)) {
                std::this_thread::sleep_until(slice);
            }
        }
        return m_optExitCode;
    }

    pid_t m_nPid = 0;
    std::optional<int> m_optExitCode;
    NDescriptor m_output;
    NDescriptor m_error;
    std::string m_strOut;
    std::string m_strErr;
};
