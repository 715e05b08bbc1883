// What named mutexes do on Linux: their records, other processes and other
// accounts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>

#include "named_mutex_fixture.h"
#include "os/named_event.h"
#include "os/named_mutex_testing.h"
#include "os/named_object_space_testing.h"
#include "os/object_error.h"
#include "tests/support/forked_child.h"
#include "tests/support/object_namespace.h"

namespace {

// How a holder ends: releasing the mutex, exiting while it holds it, or
// killed while it holds it.
enum class NHolderEnd { Release, Exit, Kill };

// A child that takes the mutex, reports through held, waits for a byte on
// release and then ends as asked.
std::unique_ptr<NForkedChild> StartHolder(NPipe& held, NPipe& release, NHolderEnd end) {
    return std::make_unique<NForkedChild>([&held, &release, end] {
        bool alreadyExists = true;
        auto mutex = CreateOwned(&alreadyExists);
        if (!mutex || alreadyExists || !NOs::IsOwned(*mutex)) {
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
        EXPECT_FALSE(NOs::IsOwned(*mutex));

        release.Send();
        holder->Wait();
        ExpectFree();
    }
}

// A child that finds the mutex taken: 0 when it does.
int NewcomerFindsItTaken() {
    NForkedChild newcomer([] {
        bool exists = false;
        const auto mutex = CreateOwned(&exists);
        return mutex && exists && !NOs::IsOwned(*mutex) ? 0 : 1;
    });
    return newcomer.Wait();
}

// The holder's Retake makes a removed record (or its whole space) again and
// holds it, so that newcomers find the mutex taken again; a newcomer that
// took the new record first keeps it, and the holder learns so.
TEST_F(NamedMutexTest, AHolderTakesItsRemovedMutexBackUnlessANewcomerTookIt) {
    bool alreadyExists = true;
    const auto holder = CreateOwned(&alreadyExists);
    ASSERT_NE(holder, nullptr);
    ASSERT_TRUE(holder->Retake().Value());
    for (const bool wholeSpace : {false, true}) {
        SCOPED_TRACE(wholeSpace);
        if (wholeSpace) {
            std::filesystem::remove_all(m_namespace.Folder());
        } else {
            ASSERT_TRUE(NOs::RemoveNamedObject(kMutexTestName));
        }
        const NOs::NResult<bool> retaken = holder->Retake();
        ASSERT_TRUE(retaken);
        EXPECT_TRUE(retaken.Value());
        EXPECT_TRUE(NOs::IsOwned(*holder));
        EXPECT_EQ(NewcomerFindsItTaken(), 0);
    }

    ASSERT_TRUE(NOs::RemoveNamedObject(kMutexTestName));
    NPipe held;
    NPipe release;
    const auto newcomer = StartHolder(held, release, NHolderEnd::Release);
    ASSERT_TRUE(held.Receive());
    const NOs::NResult<bool> lost = holder->Retake();
    ASSERT_TRUE(lost);
    EXPECT_FALSE(lost.Value());
    EXPECT_FALSE(NOs::IsOwned(*holder));
    release.Send();
    EXPECT_EQ(newcomer->Wait(), 0);
    // Once the newcomer has gone, the mutex is the old holder's again.
    EXPECT_TRUE(holder->Retake().Value());
}

// The record is root's alone: no other account can open it, let alone lock
// it; another account's mutex of the same name is one of its own space.
TEST_F(NamedMutexTest, AnotherAccountCanNeitherOpenNorTakeTheMutex) {
    bool alreadyExists = true;
    const auto owner = CreateOwned(&alreadyExists);
    ASSERT_NE(owner, nullptr);
    const std::string rootsRecord = RecordPath(kMutexTestName);
    NForkedChild other([&rootsRecord] {
        if (!DropToNobody() || ::open(rootsRecord.c_str(), O_RDONLY) >= 0 || errno != EACCES) {
            return 1;
        }
        bool exists = true;
        const auto own = CreateOwned(&exists);
        return own && NOs::IsOwned(*own) && RecordPath(kMutexTestName) != rootsRecord ? 0 : 2;
    });
    EXPECT_EQ(other.Wait(), 0);
    struct stat info {};
    ASSERT_EQ(::stat(RecordPath(kMutexTestName).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

}  // namespace
