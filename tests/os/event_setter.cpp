// A process of its own for the event tests: opens the named event and sets
// it, or waits for it.
//   event_setter set|wait NAME
// Exit 0 when done, 1 when the wait timed out, 2 when the event cannot be
// opened, 3 on a usage error.
#include <cstring>

#include "os/named_event.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        return 3;
    }
    auto event = NOs::NNamedEvent::Open(argv[2]);
    if (!event) {
        return 2;
    }
    if (std::strcmp(argv[1], "set") == 0) {
        return event.Value()->Set() ? 0 : 2;
    }
    constexpr uint32_t kWaitMs = 60000;
    return event.Value()->Wait(kWaitMs) == NOs::NWaitResult::Signalled ? 0 : 1;
}
