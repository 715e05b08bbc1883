#pragma once
// A system call that a signal interrupted (EINTR) is made again.

#include <cerrno>

namespace NOs {

// The result of call(), called again for as long as it fails (a negative
// result) with errno EINTR.
template <class Call>
auto RetryInterrupted(Call call) -> decltype(call()) {
    for (;;) {
        const auto result = call();
        if (result >= 0 || errno != EINTR) {
            return result;
        }
    }
}

}  // namespace NOs
