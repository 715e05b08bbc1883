// What only the Linux library owner tells: a library that the system lacks
// the means to open (no file descriptor left), apart from one whose file is
// at fault.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <string>

#include "os/dynamic_library.h"
#include "tests/support/forked_child.h"

namespace {

// Two doubles of the IPC library: a whole one, and one that cannot load.
const std::string g_strWholeDouble = Q6_IPC_DOUBLES_DIR "/full/qxipcdll.dll";
const std::string g_strBrokenDouble = Q6_IPC_DOUBLES_DIR "/unresolved/qxipcdll.dll";

TEST(DynamicLibraryLinuxTest, TellsALackOfResourcesFromAFaultOfTheFile) {
    const NOs::NLibraryStatus broken = NOs::NDynamicLibrary().Open(g_strBrokenDouble);
    ASSERT_FALSE(broken);
    EXPECT_FALSE(broken.Error().IsOutOfResources());
    NForkedChild child([] {
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        const rlimit limit{static_cast<rlim_t>(lowestFree), static_cast<rlim_t>(lowestFree)};
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            return 1;
        }
        const NOs::NLibraryStatus starved = NOs::NDynamicLibrary().Open(g_strWholeDouble);
        return !starved && starved.Error().IsOutOfResources() ? 0 : 2;
    });
    EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
