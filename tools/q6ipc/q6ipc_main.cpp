// q6ipc: the reader's side of the server time channel.

#include <cstdio>

#include "tools/q6ipc/command_line.h"
#include "tools/q6ipc/commands.h"

int main(int argc, char** argv) {
    const std::optional<NQ6Ipc::NCommand> command = NQ6Ipc::ParseCommandLine(argc, argv);
    if (!command) {
        std::fprintf(stderr, "%s\n", NQ6Ipc::kUsage);
        return NQ6Ipc::kExitUsage;
    }
    return NQ6Ipc::RunCommand(*command);
}
