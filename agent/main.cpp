#include "agent/startup.h"
#include "os/standard_streams.h"

// The agent reads its arguments from the process itself, not from main's,
// and has no console to write to.
int main() {
    NOs::DetachStandardStreams();
    return q6tsa::Main(q6tsa::kPublishPause);
}
