#pragma once
// The commands of q6ipc. Results go to standard output, failures to
// standard error.

#include <cstdint>
#include <string>

#include "os/result.h"
#include "tools/q6ipc/command_line.h"

namespace NQ6Ipc {

constexpr int kExitOk = 0;
// No slot, record or event, an agent that is not publishing, or a wait that
// timed out.
constexpr int kExitMissing = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCannotTell = 3;  // status: the reader cannot read

// A usage error's exit code: UNKNOWN for check, as monitoring expects.
int UsageExitCode(NCommandKind kind);

// The server time of a record's JSON text carried forward to this machine's
// current tick, as YYYY-MM-DD hh:mm:ss, in Korea Standard Time when toKorea;
// or why the record does not hold a server time and tick.
NOs::NTextResult<std::string> CarryServerTime(const std::string& recordText, bool toKorea);

int RunCommand(const NCommand& command);

}  // namespace NQ6Ipc
