#pragma once
// The whole life of the agent process.

namespace q6tsa {

// Sets up the log, passes the account and virtual machine checks, reads the
// command line from the process itself, takes the single-instance mutex,
// anchors the server clock on arguments 3 and 4, opens the publish event and
// then publishes every 30 seconds for as long as the process lives.
// Returns 0, the exit code, only when start-up is refused.
int Main();

}  // namespace q6tsa
