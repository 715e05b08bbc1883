#include "libq6time/status_text.h"

#include "libq6time/q6time.h"

namespace NQ6Time {

const char* StatusText(int status) {
    switch (status) {
        case Q6TIME_OK:
            return "success";
        case Q6TIME_NO_RECORD:
            return "nothing is published: no agent, or the slot is missing";
        case Q6TIME_BAD_RECORD:
            return "the slot holds no valid server time record";
        case Q6TIME_TIMEOUT:
            return "no publication within the time";
        case Q6TIME_NO_LIBRARY:
            return "the installation's qxipcdll.dll cannot be loaded";
        case Q6TIME_INVALID:
            return "a null pointer or a value out of range";
        case Q6TIME_SYSTEM:
            return "a failure of the operating system";
        case Q6TIME_TOO_SMALL:
            return "the buffer is too small";
        default:
            return "unknown status";
    }
}

}  // namespace NQ6Time
