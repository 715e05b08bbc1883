#include "os/linux/shared_memory.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "os/named_object_space.h"
#include "os/object_error.h"
#include "tests/support/forked_child.h"
#include "tests/support/object_namespace.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using NOs::NObjectError;
using NOs::NObjectName;
using NOs::NObjectSpace;
using NOs::NSharedMemory;
using NOs::NShmLayout;

constexpr size_t kObjectSize = 4096;
constexpr NShmLayout kLayout{kObjectSize, 0644};

// Fills the object with value, the last byte set only when all others are.
bool Fill(void* data, char value) {
    auto* bytes = static_cast<char*>(data);
    for (size_t i = 0; i + 1 < kObjectSize; ++i) {
        bytes[i] = value;
        if (i % 512 == 0) {
            ::sched_yield();  // give a racing process the chance to look
        }
    }
    bytes[kObjectSize - 1] = 'E';
    return true;
}

bool IsWhole(const NSharedMemory& memory) {
    const auto* bytes = static_cast<const char*>(memory.GetData());
    for (size_t i = 1; i + 1 < kObjectSize; ++i) {
        if (bytes[i] != bytes[0]) {
            return false;
        }
    }
    return memory.GetSize() == kObjectSize && bytes[kObjectSize - 1] == 'E';
}

NOs::NResult<std::unique_ptr<NSharedMemory>> CreateFilled(const NObjectName& name, char value,
                                                          bool* existed,
                                                          const NShmLayout& layout = kLayout) {
    return NSharedMemory::Create(
        name, layout, [value](void* data) { return Fill(data, value); }, existed);
}

char FirstByte(const NObjectName& name) {
    const auto reader = NSharedMemory::Open(name, kObjectSize, false);
    return reader ? *static_cast<const char*>(reader.Value()->GetData()) : '\0';
}

struct stat StatOf(const NObjectName& name) {
    struct stat info {};
    ::lstat(NOs::GetObjectPath(name).c_str(), &info);
    return info;
}

// The objects of the machine's space live in a folder that only root changes.
class SharedMemoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root: only root makes the machine's object space";
        }
        ASSERT_TRUE(NOs::CheckObjectSpace(NObjectSpace::Machine));
    }

    static NObjectName Name(const std::string& name) {
        return NObjectNamespace::Object(NObjectSpace::Machine, "test", name);
    }

    NObjectNamespace m_namespace;
};

TEST_F(SharedMemoryTest, ASecondCreateOpensTheFirstObjectWithoutInitialisingIt) {
    bool existed = true;
    const auto first = CreateFilled(Name("obj"), 'a', &existed);
    ASSERT_TRUE(first) << first.Error().Message();
    EXPECT_FALSE(existed);
    EXPECT_TRUE(IsWhole(*first.Value()));

    const auto second = CreateFilled(Name("obj"), 'b', &existed);
    ASSERT_TRUE(second);
    EXPECT_TRUE(existed);
    EXPECT_EQ(*static_cast<char*>(second.Value()->GetData()), 'a');

    *static_cast<char*>(second.Value()->GetData()) = 'z';
    EXPECT_EQ(FirstByte(Name("obj")), 'z');
}

TEST_F(SharedMemoryTest, TheModeIsExactWhateverTheUmaskAndTheFolderIsRootsAlone) {
    const mode_t saved = ::umask(077);
    bool existed = false;
    const auto memory = CreateFilled(Name("mode"), 'm', &existed);
    ::umask(saved);
    ASSERT_TRUE(memory);
    EXPECT_EQ(StatOf(Name("mode")).st_mode & 07777, 0644u);
    EXPECT_EQ(StatOf(Name("mode")).st_uid, 0u);

    struct stat folder {};
    ASSERT_EQ(::lstat(m_namespace.Folder().c_str(), &folder), 0);
    EXPECT_TRUE(S_ISDIR(folder.st_mode));
    EXPECT_EQ(folder.st_mode & 07777, 0755u);
    EXPECT_EQ(folder.st_uid, 0u);
}

TEST_F(SharedMemoryTest, AnAbandonedInitialisationLeavesNothingBehind) {
    bool existed = false;
    const auto memory = NSharedMemory::Create(
        Name("abandoned"), kLayout, [](void*) { return false; }, &existed);
    EXPECT_FALSE(memory);
    EXPECT_TRUE(m_namespace.Objects().empty());
}

TEST_F(SharedMemoryTest, CreateRefusesAnEmptySize) {
    bool existed = false;
    const auto memory = NSharedMemory::Create(
        Name("empty"), NShmLayout{0, 0644}, [](void*) { return true; }, &existed);
    EXPECT_EQ(memory.Error(), NObjectError::WrongSize);
}

// What can stand under an object's name besides the object.
enum class NIntruder { WrongSize, Symlink, Folder, Fifo, Socket };

struct NIntruderCase {
    const char* pszWhat;
    NIntruder eIntruder;
    NObjectError eExpected;
};

void PlaceIntruder(const NObjectName& name, NIntruder intruder) {
    const std::string path = NOs::GetObjectPath(name);
    switch (intruder) {
        case NIntruder::WrongSize:
            ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0644));
            break;
        case NIntruder::Symlink:
            ASSERT_EQ(::symlink("/etc/passwd", path.c_str()), 0);
            break;
        case NIntruder::Folder:
            ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
            break;
        case NIntruder::Fifo:
            ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
            break;
        case NIntruder::Socket: {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
            ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
            ::close(fd);
            break;
        }
    }
}

// None of them is ever opened, mapped or read as the object, and no open
// blocks (a FIFO would); the space's owner replaces each of them.
TEST_F(SharedMemoryTest, WhateverElseStandsUnderTheNameIsRefusedAndTheOwnerReplacesIt) {
    const std::vector<NIntruderCase> cases = {
        {"empty file", NIntruder::WrongSize, NObjectError::WrongSize},
        {"symbolic link", NIntruder::Symlink, NObjectError::NotRegular},
        {"folder", NIntruder::Folder, NObjectError::NotRegular},
        {"fifo", NIntruder::Fifo, NObjectError::NotRegular},
        {"socket", NIntruder::Socket, NObjectError::NotRegular},
    };
    for (const NIntruderCase& test : cases) {
        SCOPED_TRACE(test.pszWhat);
        const NObjectName name = Name(test.pszWhat);
        PlaceIntruder(name, test.eIntruder);
        EXPECT_EQ(NSharedMemory::Open(name, kObjectSize, false).Error(), test.eExpected);
        char byte = 0;
        EXPECT_EQ(NOs::ReadSharedMemory(name, &byte, 1).Error(), test.eExpected);

        bool existed = true;
        const auto memory = CreateFilled(name, 'o', &existed);
        ASSERT_TRUE(memory) << memory.Error().Message();
        EXPECT_FALSE(existed);
        EXPECT_TRUE(S_ISREG(StatOf(name).st_mode));
        EXPECT_EQ(FirstByte(name), 'o');
    }
    EXPECT_EQ(::access("/etc/passwd", F_OK), 0);
}

TEST_F(SharedMemoryTest, OpenAndReadRefuseAMissingObjectOrAnotherSize) {
    EXPECT_EQ(NSharedMemory::Open(Name("missing"), kObjectSize, false).Error(),
              std::errc::no_such_file_or_directory);
    bool existed = false;
    ASSERT_TRUE(CreateFilled(Name("sized"), 's', &existed));
    EXPECT_EQ(NSharedMemory::Open(Name("sized"), kObjectSize / 2, false).Error(),
              NObjectError::WrongSize);
    std::vector<char> larger(2 * kObjectSize);
    EXPECT_EQ(NOs::ReadSharedMemory(Name("sized"), larger.data(), larger.size()).Error(),
              NObjectError::WrongSize);
}

TEST_F(SharedMemoryTest, ReadCopiesTheWholeObject) {
    bool existed = false;
    ASSERT_TRUE(CreateFilled(Name("read"), 'r', &existed));
    std::vector<char> whole(kObjectSize, '-');
    ASSERT_TRUE(NOs::ReadSharedMemory(Name("read"), whole.data(), whole.size()));
    EXPECT_EQ(whole[0], 'r');
    EXPECT_EQ(whole[kObjectSize - 2], 'r');
    EXPECT_EQ(whole[kObjectSize - 1], 'E');
}

// Creators racing for one name: exactly one publishes its object and every
// process, creator or not, finds it whole.
TEST_F(SharedMemoryTest, ConcurrentCreatorsAllSeeOneWholeObject) {
    constexpr int kCreators = 8;
    enum : int { kOpenedWhole = 0, kCreatedWhole = 1, kBroken = 2 };
    std::vector<std::unique_ptr<NForkedChild>> creators;
    creators.reserve(kCreators);
    NPipe start;
    for (int i = 0; i < kCreators; ++i) {
        creators.push_back(std::make_unique<NForkedChild>([&, i] {
            start.Receive();
            bool existed = false;
            const auto memory = CreateFilled(Name("race"), static_cast<char>('A' + i), &existed);
            if (!memory || !IsWhole(*memory.Value())) {
                return static_cast<int>(kBroken);
            }
            return static_cast<int>(existed ? kOpenedWhole : kCreatedWhole);
        }));
    }
    for (int i = 0; i < kCreators; ++i) {
        start.Send();
    }
    std::vector<int> counts(3, 0);
    for (auto& creator : creators) {
        const int result = creator->Wait();
        ASSERT_TRUE(result >= 0 && result <= 2) << result;
        ++counts[static_cast<size_t>(result)];
    }
    EXPECT_EQ(counts[kCreatedWhole], 1);
    EXPECT_EQ(counts[kOpenedWhole], kCreators - 1);
    EXPECT_EQ(counts[kBroken], 0);
}

TEST_F(SharedMemoryTest, AnObjectOfAnotherAccountIsRefusedAndReplacedByTheOwner) {
    bool existed = false;
    ASSERT_TRUE(CreateFilled(Name("foreign"), 'f', &existed));
    ASSERT_EQ(::chown(NOs::GetObjectPath(Name("foreign")).c_str(), 65534, 65534), 0);
    EXPECT_EQ(NSharedMemory::Open(Name("foreign"), kObjectSize, false).Error(),
              NObjectError::WrongOwner);

    const auto memory = CreateFilled(Name("foreign"), 'o', &existed);
    ASSERT_TRUE(memory);
    EXPECT_FALSE(existed);
    EXPECT_EQ(StatOf(Name("foreign")).st_uid, 0u);
    EXPECT_EQ(FirstByte(Name("foreign")), 'o');
}

TEST_F(SharedMemoryTest, AnotherAccountReadsTheMachinesObjectsButCannotMakeOrChangeThem) {
    bool existed = false;
    ASSERT_TRUE(CreateFilled(Name("roots"), 'r', &existed));
    NForkedChild child([&] {
        if (!DropToNobody()) {
            return 1;
        }
        bool childExisted = false;
        if (CreateFilled(Name("roots"), 'n', &childExisted).Error() != NObjectError::NotPermitted ||
            CreateFilled(Name("new"), 'n', &childExisted).Error() != NObjectError::NotPermitted) {
            return 2;
        }
        if (NSharedMemory::Open(Name("roots"), kObjectSize, true)) {
            return 3;
        }
        if (NOs::RemoveSharedMemory(Name("roots")).Error() != NObjectError::NotPermitted) {
            return 4;
        }
        return FirstByte(Name("roots")) == 'r' ? 0 : 5;
    });
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(FirstByte(Name("roots")), 'r');
    EXPECT_EQ(::access(NOs::GetObjectPath(Name("new")).c_str(), F_OK), -1);
}

TEST_F(SharedMemoryTest, UnlinkLeavesANewerObjectOfTheSameNameAlone) {
    bool existed = false;
    const auto older = CreateFilled(Name("obj"), 'o', &existed);
    ASSERT_TRUE(older);
    EXPECT_TRUE(older.Value()->IsNamed());
    ASSERT_TRUE(NOs::RemoveSharedMemory(Name("obj")));
    EXPECT_TRUE(NOs::RemoveSharedMemory(Name("obj")));  // already gone
    EXPECT_FALSE(older.Value()->IsNamed());
    const auto newer = CreateFilled(Name("obj"), 'n', &existed);
    ASSERT_TRUE(newer);
    EXPECT_FALSE(older.Value()->IsNamed());
    EXPECT_TRUE(newer.Value()->IsNamed());

    EXPECT_TRUE(older.Value()->Unlink());
    EXPECT_EQ(FirstByte(Name("obj")), 'n');

    EXPECT_TRUE(newer.Value()->Unlink());
    EXPECT_FALSE(newer.Value()->IsNamed());
    EXPECT_FALSE(NSharedMemory::Open(Name("obj"), kObjectSize, false));
}

TEST_F(SharedMemoryTest, RemovingAScopeRemovesItsObjectsOnly) {
    bool existed = false;
    std::vector<std::unique_ptr<NSharedMemory>> objects;
    for (const auto& [scope, name] : std::vector<std::pair<std::string, std::string>>{
             {"a", "one"}, {"a", "two"}, {"ab", "three"}}) {
        auto memory = CreateFilled(NObjectNamespace::Object(NObjectSpace::Machine, scope, name),
                                   's', &existed);
        ASSERT_TRUE(memory);
        objects.push_back(memory.Take());
    }
    EXPECT_TRUE(NOs::RemoveSharedMemoryScope(NObjectSpace::Machine, "a"));
    EXPECT_EQ(m_namespace.Objects(), std::vector<std::string>{"ab.three"});
}

// Takes every descriptor the process may still open.
bool UseUpDescriptors() {
    constexpr rlim_t kFewDescriptors = 64;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return false;
    }
    limit.rlim_cur = kFewDescriptors;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return false;
    }
    while (::open("/dev/null", O_RDONLY | O_CLOEXEC) >= 0) {
    }
    return errno == EMFILE;
}

// A folder that cannot be listed is a failure, not a scope without objects.
TEST_F(SharedMemoryTest, RemovingAScopeReportsAFolderThatCannotBeListed) {
    bool existed = false;
    const auto memory =
        CreateFilled(NObjectNamespace::Object(NObjectSpace::Machine, "a", "one"), 's', &existed);
    ASSERT_TRUE(memory);
    NForkedChild child([] {
        // The space's folder is open from here on; listing it needs one more.
        if (!NOs::RemoveSharedMemoryScope(NObjectSpace::Machine, "none") || !UseUpDescriptors()) {
            return 1;
        }
        const NOs::NStatus removed = NOs::RemoveSharedMemoryScope(NObjectSpace::Machine, "a");
        return removed.Error() == std::errc::too_many_files_open ? 0 : 2;
    });
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(m_namespace.Objects(), std::vector<std::string>{"a.one"});
}

// What stands where the space's folder should be, a link or another
// account's folder, is never followed nor used: others refuse it, and the
// owner moves it aside, whole, for a folder of its own.
TEST_F(SharedMemoryTest, TheSpacesFolderIsNeverALinkNorAnotherAccounts) {
    const NTempFolder elsewhere;
    const fs::path folder = m_namespace.Folder();
    fs::remove_all(folder);
    fs::create_directory_symlink(elsewhere.Path(), folder);
    bool existed = false;
    ASSERT_TRUE(CreateFilled(Name("linked"), 'l', &existed));
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(folder)));
    EXPECT_TRUE(fs::is_empty(elsewhere.Path()));

    fs::remove_all(folder);
    fs::create_directory(folder);
    std::ofstream(folder / "test.squatted") << "forged";
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    // A reader looks at a folder it knows again after at most 10 ms.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    NForkedChild reader([] {
        return DropToNobody() &&
                       NSharedMemory::Open(Name("squatted"), kObjectSize, false).Error() ==
                           NObjectError::UnsafeFolder
                   ? 0
                   : 1;
    });
    EXPECT_EQ(reader.Wait(), 0);
    ASSERT_TRUE(CreateFilled(Name("squatted"), 's', &existed));
    EXPECT_FALSE(existed);
    EXPECT_EQ(FirstByte(Name("squatted")), 's');
    EXPECT_EQ(StatOf(Name("squatted")).st_uid, 0u);

    std::vector<fs::path> moved;
    for (const auto& entry : fs::directory_iterator(folder.parent_path())) {
        if (entry.path().filename().string().rfind(folder.filename().string() + ".moved-", 0) ==
            0) {
            moved.push_back(entry.path());
        }
    }
    ASSERT_EQ(moved.size(), 2u);  // the link and the folder, neither deleted
    for (const fs::path& aside : moved) {
        if (fs::is_directory(fs::symlink_status(aside))) {
            EXPECT_TRUE(fs::exists(aside / "test.squatted"));
        }
        fs::remove_all(aside);
    }
}

}  // namespace
