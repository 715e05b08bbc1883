#include "tests/e2e/short_pause_agent.h"

#include "agent/startup.h"
#include "os/standard_streams.h"

// The agent's own entry, but for the pause.
int main() {
    NOs::DetachStandardStreams();
    return q6tsa::Main(NShortPauseAgent::kPublishPause);
}
