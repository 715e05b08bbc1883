// Detached standard streams lead nowhere, even when one was closed before.

#include "os/standard_streams.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/forked_child.h"

namespace {

bool LeadsToNothing(int stream) {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(stream), error) ==
           "/dev/null";
}

TEST(StandardStreamsTest, AllThreeLeadNowhereAndNothingReachesTheOldOutput) {
    int output[2];
    ASSERT_EQ(::pipe(output), 0);
    NForkedChild child([&output] {
        ::close(STDIN_FILENO);  // the open then gets stream 0's number
        ::dup2(output[1], STDOUT_FILENO);
        ::dup2(output[1], STDERR_FILENO);
        ::close(output[0]);
        ::close(output[1]);
        NOs::DetachStandardStreams();
        std::printf("printed\n");
        std::fflush(stdout);
        return LeadsToNothing(STDIN_FILENO) && LeadsToNothing(STDOUT_FILENO) &&
                       LeadsToNothing(STDERR_FILENO)
                   ? 0
                   : 1;
    });
    ::close(output[1]);
    EXPECT_EQ(child.Wait(), 0);
    char byte = 0;
    EXPECT_EQ(::read(output[0], &byte, 1), 0);  // the end, nothing before it
    ::close(output[0]);
}

}  // namespace
