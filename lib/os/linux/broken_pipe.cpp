#include "os/broken_pipe.h"

#include <csignal>

namespace NOs {

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace NOs
