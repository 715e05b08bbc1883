#include <cstdio>
#include <string>
#include <vector>

#include "agent/info_request.h"
#include "agent/startup.h"
#include "os/standard_streams.h"

// The agent reads its arguments from the process itself, not from main's,
// and has no console to write to; only a question about itself (--help,
// --version) is read here and answered on standard output.
int main(int argc, char** argv) {
    const std::optional<std::string> answer =
        q6tsa::AnswerInfoRequest(std::vector<std::string>(argv + 1, argv + argc));
    if (answer) {
        std::fputs(answer->c_str(), stdout);
        return 0;
    }
    NOs::DetachStandardStreams();
    return q6tsa::Main(q6tsa::kPublishPause);
}
