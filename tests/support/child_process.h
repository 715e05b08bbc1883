#pragma once
// Runs a program in a child process: to its end (NChildProcess::Run), or in
// the background through a handle that reads its output, waits for it and
// kills it. Optionally as another account, in another working folder, with
// an environment and a standard input of the test's choosing.

#include <fcntl.h>
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

#include "tests/support/child_launch.h"
#include "tests/support/owned_descriptor.h"

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

    // Starts program, once per handle (see NChildLaunch::Exec for the exit
    // codes of a child that cannot run it).
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               const NChildOptions& options = {}) {
        if (m_nPid != 0) {
            return false;
        }
        std::vector<std::string> argumentTexts = NChildLaunch::CommandOf(program, arguments);
        std::vector<std::string> environmentTexts =
            NChildLaunch::EnvironmentOf(options.vecEnvironment, options.bInheritEnvironment);
        const std::vector<char*> argv = NChildLaunch::PointersTo(argumentTexts);
        const std::vector<char*> envp = NChildLaunch::PointersTo(environmentTexts);
        NOwnedDescriptor input;
        NOwnedDescriptor output;
        NOwnedDescriptor error;
        if (!MakeInput(options.strInput, input) || !MakeOutputs(options, output, error)) {
            return false;
        }
        const NChildLaunch::NSetup setup{
            input.Get(), output.Get(), error.Get(), options.nUid,
            options.strFolder.empty() ? nullptr : options.strFolder.c_str()};
        m_nPid = ::fork();
        if (m_nPid == 0) {
            NChildLaunch::Exec(setup, argv.front(), argv.data(), envp.data());
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

    // The reading end of a pipe that already holds all of input and whose
    // writing end is closed again.
    static bool MakeInput(const std::string& input, NOwnedDescriptor& readEnd) {
        NOwnedDescriptor writeEnd;
        if (!readEnd.OpenPipe(writeEnd) || ::fcntl(writeEnd.Get(), F_SETFL, O_NONBLOCK) != 0) {
            return false;
        }
        return input.empty() || ::write(writeEnd.Get(), input.data(), input.size()) ==
                                    static_cast<ssize_t>(input.size());
    }

    // The child's ends of its outputs; the ends that capture them stay here.
    bool MakeOutputs(const NChildOptions& options, NOwnedDescriptor& output,
                     NOwnedDescriptor& error) {
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
        std::pair<NOwnedDescriptor*, std::string*> open[2];
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

    static void ReadInto(NOwnedDescriptor& from, std::string& text) {
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
    NOwnedDescriptor m_output;
    NOwnedDescriptor m_error;
    std::string m_strOut;
    std::string m_strErr;
};
