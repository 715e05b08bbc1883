// The agent on Windows: a program without a window or a console, which
// reads its arguments from the process itself (GetCommandLineW).
#include <windows.h>

#include "agent/startup.h"
#include "os/standard_streams.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    NOs::DetachStandardStreams();
    return q6tsa::Main(q6tsa::kPublishPause);
}
