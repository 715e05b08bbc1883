#include "os/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include "os/linux/unique_fd.h"

namespace NOs {

void DetachStandardStreams() {
    // Not close-on-exec: when a stream was closed, the open itself gives
    // that stream's number, which must stay as the others do.
    NUniqueFd nothing(::open("/dev/null", O_RDWR));  // NOLINT(android-cloexec-open)
    if (!nothing.IsValid()) {
        return;
    }
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (stream != nothing.Get()) {
            ::dup2(nothing.Get(), stream);
        }
    }
    if (nothing.Get() <= STDERR_FILENO) {
        nothing.Release();
    }
}

}  // namespace NOs
