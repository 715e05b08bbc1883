#pragma once
// The whole life of the agent process.

#include <chrono>

#include "ipc/server_time_channel.h"

namespace q6tsa {

// The agent's pause after each publication.
constexpr std::chrono::milliseconds kPublishPause{NServerTimeChannel::kPublishPeriodMs};

// Sets up the log, passes the account and virtual machine checks, reads the
// command line from the process itself, takes the single-instance mutex,
// anchors the server clock on arguments 3 and 4, opens the publish event and
// then publishes at once and again after every publishPause for as long as
// the process lives and holds the mutex. Returns 0, the exit code, when
// start-up is refused or another agent took the mutex over.
int Main(std::chrono::milliseconds publishPause);

}  // namespace q6tsa
