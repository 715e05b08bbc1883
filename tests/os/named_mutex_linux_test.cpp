// What named mutexes do on Linux: their files and socket name, other
// processes and other accounts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>

#include "named_mutex_fixture.h"
#include "os/named_event.h"
#include "os/named_mutex.h"
#include "os/named_object_space.h"
#include "os/object_error.h"
#include "os/posix/abstract_socket_name.h"
#include "tests/support/forked_child.h"
#include "tests/support/object_namespace.h"

namespace {

std::string RecordPath(const std::string& name = kMutexTestName) {
    return NOs::GetObjectPath(NOs::GetNamedObjectName(name).value());
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

// Removing the mutex's record, or its whole space, frees nothing while the
// holder lives: a newcomer still finds the mutex taken.
TEST_F(NamedMutexTest, RemovingItsFilesDoesNotFreeAMutexWhoseHolderLives) {
    NPipe held;
    NPipe release;
    const auto holder = StartHolder(held, release, NHolderEnd::Release);
    ASSERT_TRUE(held.Receive());
    for (const bool wholeSpace : {false, true}) {
        SCOPED_TRACE(wholeSpace);
        if (wholeSpace) {
            std::filesystem::remove_all(m_namespace.Folder());
        } else {
            ASSERT_TRUE(NOs::RemoveNamedObject(kMutexTestName));
        }
        bool alreadyExists = false;
        const auto newcomer = CreateOwned(&alreadyExists);
        ASSERT_NE(newcomer, nullptr);
        EXPECT_TRUE(alreadyExists);
        EXPECT_FALSE(newcomer->IsOwned());
    }
    release.Send();
    EXPECT_EQ(holder->Wait(), 0);
    ExpectFree();
}

// The record is root's alone: no other account can open it, let alone lock
// it; another account's mutex of the same name is one of its own space.
TEST_F(NamedMutexTest, AnotherAccountCanNeitherOpenNorTakeTheMutex) {
    bool alreadyExists = true;
    const auto owner = CreateOwned(&alreadyExists);
    ASSERT_NE(owner, nullptr);
    const std::string rootsRecord = RecordPath();
    NForkedChild other([&rootsRecord] {
        if (!DropToNobody() || ::open(rootsRecord.c_str(), O_RDONLY) >= 0 || errno != EACCES) {
            return 1;
        }
        bool exists = true;
        const auto own = CreateOwned(&exists);
        return own && own->IsOwned() && RecordPath() != rootsRecord ? 0 : 2;
    });
    EXPECT_EQ(other.Wait(), 0);
    struct stat info {};
    ASSERT_EQ(::stat(RecordPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

// Another account that sits on the mutex's abstract socket name in advance
// does not stop the owner, whose lock still keeps a second one out.
TEST_F(NamedMutexTest, AnotherAccountSittingOnTheSocketNameDoesNotStopTheOwner) {
    NPipe sitting;
    NPipe release;
    const std::string socketName = NOs::AbstractNameOf(RecordPath());
    NForkedChild squatter([&sitting, &release, &socketName] {
        if (!DropToNobody()) {
            return 1;
        }
        const auto name = NOs::HoldAbstractSocketName(socketName);
        sitting.Send();
        release.Receive();
        return name ? 0 : 2;
    });
    ASSERT_TRUE(sitting.Receive());
    EXPECT_EQ(NOs::FindAbstractSocketHolder(socketName), 65534u);

    bool alreadyExists = true;
    const auto owner = CreateOwned(&alreadyExists);
    ASSERT_NE(owner, nullptr);
    EXPECT_FALSE(alreadyExists);
    EXPECT_TRUE(owner->IsOwned());
    NForkedChild second([] {
        bool exists = false;
        const auto mutex = CreateOwned(&exists);
        return mutex && exists && !mutex->IsOwned() ? 0 : 1;
    });
    EXPECT_EQ(second.Wait(), 0);
    release.Send();
    EXPECT_EQ(squatter.Wait(), 0);

    // Once the name is free the owner takes it: then a removed record frees
    // nothing.
    EXPECT_TRUE(owner->KeepHeld());
    EXPECT_EQ(NOs::FindAbstractSocketHolder(socketName), 0u);
    ASSERT_TRUE(NOs::RemoveNamedObject(kMutexTestName));
    NForkedChild third([] {
        bool exists = false;
        const auto mutex = CreateOwned(&exists);
        return mutex && exists && !mutex->IsOwned() ? 0 : 1;
    });
    EXPECT_EQ(third.Wait(), 0);
}

}  // namespace
