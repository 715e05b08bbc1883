// q6ipc: the reader's side of the server time channel.

#include <cstdio>

#include "tools/q6ipc/command_line.h"
#include "tools/q6ipc/commands.h"

int main(int argc, char** argv) {
    const NQ6Ipc::NCommandLine line = NQ6Ipc::ParseCommandLine(argc, argv);
    if (!line.strError.empty()) {
        std::fprintf(stderr, "q6ipc: %s\n%s\n", line.strError.c_str(), NQ6Ipc::kTryHelp);
        return NQ6Ipc::UsageExitCode(line.command.eKind);
    }
    return NQ6Ipc::RunCommand(line.command);
}
