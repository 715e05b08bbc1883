#pragma once
// q6ipc as the tests run it: to its end, with its exit code and both
// outputs, or in the background, its output read line by line.

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

using NRunResult = NChildResult;

class NQ6IpcProcess {
public:
    // Starts program with arguments in the background; its standard output
    // comes through ReadLine, its standard error goes to errorFile.
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& errorFile) {
        NChildOptions options;
        options.strErrorFile = errorFile;
        return m_child.Start(program, arguments, options);
    }

    // The next line of output without its line end; false when none came
    // within timeoutMs or the output ended.
    bool ReadLine(std::string& line, int timeoutMs = 60000) {
        return m_child.ReadLine(line, std::chrono::milliseconds(timeoutMs));
    }

    // Ends the process with SIGTERM if it still runs; its exit code (see
    // NChildResult), or -1 when it was never started.
    int Stop() { return m_child.Kill(SIGTERM).value_or(-1); }

    // Runs program to its end in the working folder folder.
    static NRunResult Run(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder) {
        NChildOptions options;
        options.strFolder = folder;
        return NChildProcess::Run(program, arguments, options);
    }

private:
    NChildProcess m_child;
};
