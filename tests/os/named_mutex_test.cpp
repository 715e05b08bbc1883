#include "os/named_mutex.h"

#include <gtest/gtest.h>
#include <signal.h>

#include "os/named_event.h"
#include "os/posix/named_object.h"
#include "os/shared_memory.h"
#include "tests/support/forked_child.h"
#include "tests/support/shm_namespace.h"

namespace {

using NOs::NNamedMutex;
using NOs::NObjectAccess;

constexpr char kName[] = "q6tsapp_5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38";

std::unique_ptr<NNamedMutex> CreateOwned(bool* alreadyExists, const std::string& name = kName) {
    return NNamedMutex::CreateOwned(name, NObjectAccess::Default, alreadyExists);
}

// How a holder ends: releasing the mutex, exiting while it holds it, or
// killed while it holds it.
enum class NHolderEnd { Release, Exit, Kill };

// A child that takes the mutex, reports through held, waits for a byte on
// release and then ends as asked.
std::unique_ptr<NForkedChild> StartHolder(NPipe& held, NPipe& release, NHolderEnd end) {
    return std::make_unique<NForkedChild>([&held, &release, end] {
        bool alreadyExists = true;
        auto mutex = CreateOwned(&alreadyExists);
        if (!mutex || alreadyExists || !mutex->IsOwned()) {
            return 1;
        }
        held.Send();
        release.Receive();
        if (end == NHolderEnd::Kill) {
            ::raise(SIGKILL);
        }
        if (end == NHolderEnd::Release) {
            mutex.reset();
        }
        return 0;
    });
}

class NamedMutexTest : public ::testing::Test {
protected:
    // A new creator takes the mutex over.
    static void ExpectFree() {
        bool alreadyExists = true;
        const auto mutex = CreateOwned(&alreadyExists);
        ASSERT_NE(mutex, nullptr);
        EXPECT_FALSE(alreadyExists);
        EXPECT_TRUE(mutex->IsOwned());
    }

    NShmNamespace m_namespace;
};

TEST_F(NamedMutexTest, TheFirstCreatorOwnsTheMutexAndASecondFindsItTaken) {
    bool alreadyExists = true;
    const auto first = CreateOwned(&alreadyExists);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(alreadyExists);
    EXPECT_TRUE(first->IsOwned());

    const auto second = CreateOwned(&alreadyExists);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(alreadyExists);
    EXPECT_FALSE(second->IsOwned());
}

TEST_F(NamedMutexTest, AReleasedMutexCanBeTakenAgain) {
    bool alreadyExists = true;
    ASSERT_NE(CreateOwned(&alreadyExists), nullptr);
    ExpectFree();
}

// Whether its holder releases it, exits holding it or is killed holding it,
// the mutex exists while the holder lives and is free once it has ended.
TEST_F(NamedMutexTest, AMutexExistsExactlyWhileALiveProcessHoldsIt) {
    for (const NHolderEnd end : {NHolderEnd::Release, NHolderEnd::Exit, NHolderEnd::Kill}) {
        SCOPED_TRACE(static_cast<int>(end));
        NPipe held;
        NPipe release;
        const auto holder = StartHolder(held, release, end);
        ASSERT_TRUE(held.Receive());

        bool alreadyExists = false;
        const auto mutex = CreateOwned(&alreadyExists);
        ASSERT_NE(mutex, nullptr);
        EXPECT_TRUE(alreadyExists);
        EXPECT_FALSE(mutex->IsOwned());

        release.Send();
        holder->Wait();
        ExpectFree();
    }
}

TEST_F(NamedMutexTest, AnUnrecoverableMutexIsReplaced) {
    // A taker that found the holder dead and let go without making the mutex
    // consistent leaves it unrecoverable.
    NPipe held;
    NPipe release;
    const auto holder = StartHolder(held, release, NHolderEnd::Kill);
    ASSERT_TRUE(held.Receive());
    release.Send();
    holder->Wait();
    {
        NForkedChild careless([] {
            const auto memory = NOs::NSharedMemory::Open(NOs::GetNamedObjectShmName(kName), true);
            if (!memory) {
                return 2;
            }
            auto* object = static_cast<NOs::NMutexObject*>(memory->GetData());
            const int result = ::pthread_mutex_lock(&object->mutex);
            ::pthread_mutex_unlock(&object->mutex);
            return result == EOWNERDEAD ? 0 : 1;
        });
        ASSERT_EQ(careless.Wait(), 0);
    }
    ExpectFree();
}

TEST_F(NamedMutexTest, AnOwnerPutsItsMutexBackUnderARemovedName) {
    bool alreadyExists = true;
    const auto owner = CreateOwned(&alreadyExists);
    ASSERT_NE(owner, nullptr);
    EXPECT_TRUE(owner->KeepName());  // nothing to do
    ASSERT_TRUE(NOs::RemoveNamedObject(kName));

    EXPECT_TRUE(owner->KeepName());
    NForkedChild second([] {
        bool exists = false;
        const auto mutex = CreateOwned(&exists);
        return mutex && exists && !mutex->IsOwned() ? 0 : 1;
    });
    EXPECT_EQ(second.Wait(), 0);
}

TEST_F(NamedMutexTest, AnOwnerDoesNotTakeANameThatALiveProcessHolds) {
    bool alreadyExists = true;
    const auto owner = CreateOwned(&alreadyExists);
    ASSERT_NE(owner, nullptr);
    ASSERT_TRUE(NOs::RemoveNamedObject(kName));
    NPipe held;
    NPipe release;
    const auto holder = StartHolder(held, release, NHolderEnd::Release);
    ASSERT_TRUE(held.Receive());

    EXPECT_FALSE(owner->KeepName());
    release.Send();
    EXPECT_EQ(holder->Wait(), 0);
    // The holder is gone: the owner takes the name over.
    EXPECT_TRUE(owner->KeepName());
    bool exists = false;
    const auto later = CreateOwned(&exists);
    ASSERT_NE(later, nullptr);
    EXPECT_TRUE(exists);
}

TEST_F(NamedMutexTest, AMutexThatIsNotOwnedKeepsNoName) {
    bool alreadyExists = true;
    const auto owner = CreateOwned(&alreadyExists);
    ASSERT_NE(owner, nullptr);
    const auto second = CreateOwned(&alreadyExists);
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(alreadyExists);
    ASSERT_TRUE(NOs::RemoveNamedObject(kName));

    EXPECT_FALSE(second->KeepName());
    EXPECT_EQ(NOs::NSharedMemory::Open(NOs::GetNamedObjectShmName(kName), false), nullptr);
}

TEST_F(NamedMutexTest, ANameOfAnotherKindGivesNull) {
    const auto event = NOs::NNamedEvent::Create(kName, false, NObjectAccess::Everyone);
    ASSERT_NE(event, nullptr);
    bool alreadyExists = true;
    EXPECT_EQ(CreateOwned(&alreadyExists), nullptr);
    EXPECT_EQ(CreateOwned(&alreadyExists, ""), nullptr);
}

}  // namespace
