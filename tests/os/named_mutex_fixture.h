#pragma once
// What the tests of named mutexes share: the agent's mutex name, taking it,
// and a fixture that gives each test an object namespace of its own.

#include <memory>
#include <string>

#include "os/named_mutex_testing.h"
#include "tests/support/object_namespace.h"

using NOs::NNamedMutex;
using NOs::NObjectAccess;

constexpr char kMutexTestName[] = "q6tsapp_5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38";

inline std::unique_ptr<NNamedMutex> CreateOwned(bool* alreadyExists,
                                                const std::string& name = kMutexTestName) {
    auto mutex = NNamedMutex::CreateOwned(name, alreadyExists);
    return mutex ? mutex.Take() : nullptr;
}

class NamedMutexTest : public NMachineSpaceTest {
protected:
    // A new creator takes the mutex over.
    static void ExpectFree() {
        bool alreadyExists = true;
        const auto mutex = CreateOwned(&alreadyExists);
        ASSERT_NE(mutex, nullptr);
        EXPECT_FALSE(alreadyExists);
        EXPECT_TRUE(NOs::IsOwned(*mutex));
    }
};
