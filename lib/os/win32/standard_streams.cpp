#include "os/standard_streams.h"

#include <windows.h>

#include <cstdio>
#include <initializer_list>

namespace NOs {
namespace {

// The C library's name for the null device: a Winelib program's is glibc.
#ifdef __WINE__
constexpr const char* kNullDevice = "/dev/null";
#else
constexpr const char* kNullDevice = "NUL";
#endif

}  // namespace

void DetachStandardStreams() {
    // The handles that child processes and the console calls see...
    const HANDLE nothing =
        ::CreateFileW(u"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (nothing != INVALID_HANDLE_VALUE) {
        // The process keeps the handle as all three streams, for its life.
        for (const DWORD stream : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
            ::SetStdHandle(stream, nothing);
        }
    }
    // ...and the C library's streams, which libraries print to.
    (void)std::freopen(kNullDevice, "r", stdin);
    (void)std::freopen(kNullDevice, "w", stdout);
    (void)std::freopen(kNullDevice, "w", stderr);
}

}  // namespace NOs
