#include "os/named_mutex.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>

#include "os/named_event.h"
#include "os/named_object_space.h"
#include "os/object_error.h"
#include "os/posix/abstract_socket_name.h"
#include "tests/support/forked_child.h"
#include "tests/support/object_namespace.h"

namespace {

using NOs::NNamedMutex;
using NOs::NObjectAccess;

constexpr char kName[] = "q6tsapp_5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38";

std::unique_ptr<NNamedMutex> CreateOwned(bool* alreadyExists, const std::string& name = kName) {
    auto mutex = NNamedMutex::CreateOwned(name, alreadyExists);
    return mutex ? mutex.Take() : nullptr;
}

std::string RecordPath(const std::string& name = kName) {
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

class NamedMutexTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root: only root makes the machine's object space";
        }
        ASSERT_TRUE(NOs::CheckObjectSpace(NOs::NObjectSpace::Machine));
    }

    // A new creator takes the mutex over.
    static void ExpectFree() {
        bool alreadyExists = true;
        const auto mutex = CreateOwned(&alreadyExists);
        ASSERT_NE(mutex, nullptr);
        EXPECT_FALSE(alreadyExists);
        EXPECT_TRUE(mutex->IsOwned());
    }

    NObjectNamespace m_namespace;
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
            ASSERT_TRUE(NOs::RemoveNamedObject(kName));
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
    ASSERT_TRUE(NOs::RemoveNamedObject(kName));
    NForkedChild third([] {
        bool exists = false;
        const auto mutex = CreateOwned(&exists);
        return mutex && exists && !mutex->IsOwned() ? 0 : 1;
    });
    EXPECT_EQ(third.Wait(), 0);
}

TEST_F(NamedMutexTest, ANameOfAnotherKindGivesNull) {
    const auto event = NOs::NNamedEvent::Create(kName, false, NObjectAccess::Everyone);
    ASSERT_TRUE(event);
    bool alreadyExists = true;
    EXPECT_EQ(NNamedMutex::CreateOwned(kName, &alreadyExists).Error(),
              NOs::NObjectError::OtherKind);
    EXPECT_EQ(NNamedMutex::CreateOwned("", &alreadyExists).Error(), NOs::NObjectError::BadName);
}

}  // namespace
