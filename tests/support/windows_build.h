#pragma once
// What a test needs to know of the Windows build (wineg++, run under Wine),
// whose calls are Windows' own: the cases that check what only the Linux
// stand-ins do skip there, with the reason.

#include <gtest/gtest.h>

#ifdef _WIN32
constexpr bool kWindowsBuild = true;
#else
constexpr bool kWindowsBuild = false;
#endif

// Ends the test at once on the Windows build.
#define Q6_LINUX_ONLY(reason)                       \
    if (kWindowsBuild) {                            \
        GTEST_SKIP() << "Linux only: " << (reason); \
    }
