#include "os/shared_memory.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "tests/support/forked_child.h"
#include "tests/support/shm_namespace.h"

namespace {

using NOs::NSharedMemory;
using NOs::NShmLayout;
using NOs::NShmOwner;
using NOs::NShmUmask;

constexpr size_t kObjectSize = 4096;
constexpr NShmLayout kEveryone{kObjectSize, 0666, NShmUmask::Ignore, NShmOwner::Anyone};

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

uint32_t ModeOf(const std::string& objectName) {
    struct stat info {};
    return ::stat(NOs::GetSharedMemoryPath(objectName).c_str(), &info) == 0 ? info.st_mode & 07777
                                                                            : 0;
}

std::unique_ptr<NSharedMemory> CreateFilled(const std::string& objectName, char value,
                                            bool* existed, const NShmLayout& layout = kEveryone) {
    return NSharedMemory::Create(
        objectName, layout, [value](void* data) { return Fill(data, value); }, existed);
}

class SharedMemoryTest : public ::testing::Test {
protected:
    std::string Name(const std::string& name) const {
        return NOs::MakeSharedMemoryName("test", name);
    }

    NShmNamespace m_namespace;
};

struct NNameCase {
    std::string strName;
    std::string strExpected;
};

TEST_F(SharedMemoryTest, NamesEscapeSeparatorsAndThePercentSign) {
    const std::string prefix = "q6-" + m_namespace.Name() + ".test.";
    const std::vector<NNameCase> cases = {
        {"plain", "plain"},       {"a/b", "a%2Fb"}, {"a\\b", "a%5Cb"},
        {"50%", "50%25"},         {"%2F", "%252F"}, {"Global\\x/y", "Global%5Cx%2Fy"},
        {"\xC3\xA9", "\xC3\xA9"},
    };
    for (const NNameCase& test : cases) {
        EXPECT_EQ(Name(test.strName), prefix + test.strExpected) << test.strName;
    }
}

TEST_F(SharedMemoryTest, NamesThatCannotBeMappedAreRefused) {
    const size_t room = NOs::kMaxSharedMemoryName - Name("x").size() + 1;
    EXPECT_EQ(Name(std::string(room, 'n')).size(), NOs::kMaxSharedMemoryName);
    EXPECT_EQ(Name(std::string(room + 1, 'n')), "");
    EXPECT_EQ(Name(std::string(room, '/')), "");  // escaping makes it too long
    EXPECT_EQ(Name(""), "");
    EXPECT_EQ(Name(std::string("a\0b", 3)), "");
}

TEST(SharedMemoryNamespaceTest, WithoutNamespaceNamesAreMachineWide) {
    ::unsetenv(NOs::kShmNamespaceVariable);
    EXPECT_EQ(NOs::MakeSharedMemoryName("test", "x"), "q6.test.x");
}

TEST(SharedMemoryNamespaceTest, AnInvalidNamespaceRefusesEveryName) {
    const std::vector<std::string> invalid = {"a.b", "a/b", "a b", "\xC3\xA9",
                                              std::string(33, 'a')};
    for (const std::string& space : invalid) {
        ::setenv(NOs::kShmNamespaceVariable, space.c_str(), 1);
        EXPECT_EQ(NOs::MakeSharedMemoryName("test", "x"), "") << space;
    }
    ::setenv(NOs::kShmNamespaceVariable, std::string(32, 'a').c_str(), 1);
    EXPECT_EQ(NOs::MakeSharedMemoryName("test", "x"), "q6-" + std::string(32, 'a') + ".test.x");
    ::unsetenv(NOs::kShmNamespaceVariable);
}

TEST_F(SharedMemoryTest, ASecondCreateOpensTheFirstObjectWithoutInitialisingIt) {
    bool existed = true;
    const auto first = CreateFilled(Name("obj"), 'a', &existed);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(existed);
    EXPECT_TRUE(IsWhole(*first));
    EXPECT_EQ(first->GetOwner(), ::geteuid());

    const auto second = CreateFilled(Name("obj"), 'b', &existed);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(existed);
    EXPECT_EQ(*static_cast<char*>(second->GetData()), 'a');

    *static_cast<char*>(second->GetData()) = 'z';
    const auto reader = NSharedMemory::Open(Name("obj"), false);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(*static_cast<const char*>(reader->GetData()), 'z');
    EXPECT_TRUE(NShmNamespace::LeftoverTemporaries().empty());
}

struct NModeCase {
    NShmUmask eUmask;
    uint32_t nMode;
    mode_t nUmask;
    uint32_t nExpected;
};

TEST_F(SharedMemoryTest, TheModeIsExactOrFollowsTheUmaskAsAsked) {
    const std::vector<NModeCase> cases = {
        {NShmUmask::Ignore, 0666, 077, 0666},
        {NShmUmask::Ignore, 0644, 022, 0644},
        {NShmUmask::Apply, 0666, 077, 0600},
        {NShmUmask::Apply, 0666, 022, 0644},
    };
    int index = 0;
    for (const NModeCase& test : cases) {
        const std::string name = Name("mode" + std::to_string(index++));
        const mode_t saved = ::umask(test.nUmask);
        bool existed = false;
        const auto memory =
            CreateFilled(name, 'm', &existed,
                         NShmLayout{kObjectSize, test.nMode, test.eUmask, NShmOwner::Anyone});
        ::umask(saved);
        ASSERT_NE(memory, nullptr);
        EXPECT_EQ(ModeOf(name), test.nExpected) << name;
    }
}

TEST_F(SharedMemoryTest, AnAbandonedInitialisationLeavesNothingBehind) {
    bool existed = false;
    EXPECT_EQ(NSharedMemory::Create(
                  Name("abandoned"), kEveryone, [](void*) { return false; }, &existed),
              nullptr);
    EXPECT_TRUE(m_namespace.Objects().empty());
    EXPECT_TRUE(NShmNamespace::LeftoverTemporaries().empty());
}

TEST_F(SharedMemoryTest, CreateRefusesAnEmptyNameOrSize) {
    bool existed = false;
    EXPECT_EQ(CreateFilled("", 'a', &existed), nullptr);
    EXPECT_EQ(NSharedMemory::Create(
                  Name("empty"), NShmLayout{0, 0666, NShmUmask::Ignore, NShmOwner::Anyone},
                  [](void*) { return true; }, &existed),
              nullptr);
}

TEST_F(SharedMemoryTest, OpenAndReadRefuseMissingEmptyAndNonRegularObjects) {
    ::close(::creat(NOs::GetSharedMemoryPath(Name("empty")).c_str(), 0644));
    ASSERT_EQ(::symlink("/etc/passwd", NOs::GetSharedMemoryPath(Name("link")).c_str()), 0);
    ASSERT_EQ(::mkdir(NOs::GetSharedMemoryPath(Name("folder")).c_str(), 0755), 0);
    for (const std::string& name :
         {Name("missing"), std::string(), Name("empty"), Name("link"), Name("folder")}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(NSharedMemory::Open(name, false), nullptr);
        char byte = 0;
        EXPECT_EQ(NOs::ReadSharedMemory(name, &byte, 1), std::nullopt);
    }
    ::rmdir(NOs::GetSharedMemoryPath(Name("folder")).c_str());
}

TEST_F(SharedMemoryTest, ReadCopiesTheFirstBytesAndTellsTheObjectsSize) {
    bool existed = false;
    ASSERT_NE(CreateFilled(Name("read"), 'r', &existed), nullptr);
    char head[16] = {};
    EXPECT_EQ(NOs::ReadSharedMemory(Name("read"), head, sizeof(head)), kObjectSize);
    EXPECT_EQ(std::string(head, sizeof(head)), std::string(sizeof(head), 'r'));
    // A larger buffer receives the whole object and nothing more.
    std::vector<char> whole(2 * kObjectSize, '-');
    EXPECT_EQ(NOs::ReadSharedMemory(Name("read"), whole.data(), whole.size()), kObjectSize);
    EXPECT_EQ(whole[kObjectSize - 2], 'r');
    EXPECT_EQ(whole[kObjectSize - 1], 'E');
    EXPECT_EQ(whole[kObjectSize], '-');
}

// Creators racing for one name: exactly one publishes its object and every
// process, creator or not, finds it whole.
TEST_F(SharedMemoryTest, ConcurrentCreatorsAllSeeOneWholeObject) {
    constexpr int kCreators = 8;
    enum : int { kOpenedWhole = 0, kCreatedWhole = 1, kBroken = 2 };
    std::vector<std::unique_ptr<NForkedChild>> creators;
    NPipe start;
    for (int i = 0; i < kCreators; ++i) {
        creators.push_back(std::make_unique<NForkedChild>([&, i] {
            start.Receive();
            bool existed = false;
            const auto memory = CreateFilled(Name("race"), static_cast<char>('A' + i), &existed);
            if (!memory || !IsWhole(*memory)) {
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

class SharedMemoryOwnerTest : public SharedMemoryTest {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root to hand objects to another account";
        }
    }

    // An object that the account nobody owns.
    void CreateForeign(const std::string& name) {
        bool existed = false;
        ASSERT_NE(CreateFilled(name, 'f', &existed), nullptr);
        ASSERT_EQ(::chown(NOs::GetSharedMemoryPath(name).c_str(), 65534, 65534), 0);
    }
};

TEST_F(SharedMemoryOwnerTest, AnObjectOfAnotherAccountIsReplacedWhenTheCallerMustOwnIt) {
    CreateForeign(Name("foreign"));
    const std::string emptyPath = NOs::GetSharedMemoryPath(Name("empty"));
    ::close(::creat(emptyPath.c_str(), 0600));
    ASSERT_EQ(::chown(emptyPath.c_str(), 65534, 65534), 0);

    for (const std::string& name : {Name("foreign"), Name("empty")}) {
        bool existed = true;
        const NShmLayout own{kObjectSize, 0644, NShmUmask::Ignore, NShmOwner::Caller};
        const auto memory = CreateFilled(name, 'o', &existed, own);
        ASSERT_NE(memory, nullptr) << name;
        EXPECT_FALSE(existed);
        EXPECT_EQ(memory->GetOwner(), 0u);
        EXPECT_EQ(*static_cast<char*>(memory->GetData()), 'o');
    }
}

TEST_F(SharedMemoryOwnerTest, AnObjectOfAnotherAccountIsUsedWhenAnyOwnerWillDo) {
    CreateForeign(Name("shared"));
    bool existed = false;
    const auto memory = CreateFilled(Name("shared"), 'o', &existed);
    ASSERT_NE(memory, nullptr);
    EXPECT_TRUE(existed);
    EXPECT_EQ(memory->GetOwner(), 65534u);
    EXPECT_EQ(*static_cast<char*>(memory->GetData()), 'f');
}

TEST_F(SharedMemoryOwnerTest, AnUnprivilegedCallerCannotReplaceRootsObject) {
    bool existed = false;
    ASSERT_NE(CreateFilled(Name("roots"), 'r', &existed), nullptr);
    NForkedChild child([&] {
        bool childExisted = false;
        const NShmLayout own{kObjectSize, 0644, NShmUmask::Ignore, NShmOwner::Caller};
        return DropToNobody() && CreateFilled(Name("roots"), 'n', &childExisted, own) == nullptr
                   ? 0
                   : 1;
    });
    EXPECT_EQ(child.Wait(), 0);
    const auto memory = NSharedMemory::Open(Name("roots"), false);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(memory->GetOwner(), 0u);
}

TEST_F(SharedMemoryTest, UnlinkLeavesANewerObjectOfTheSameNameAlone) {
    bool existed = false;
    const auto older = CreateFilled(Name("obj"), 'o', &existed);
    ASSERT_NE(older, nullptr);
    EXPECT_TRUE(older->IsNamed());
    ASSERT_TRUE(NOs::RemoveSharedMemory(Name("obj")));
    EXPECT_TRUE(NOs::RemoveSharedMemory(Name("obj")));  // already gone
    EXPECT_FALSE(older->IsNamed());
    const auto newer = CreateFilled(Name("obj"), 'n', &existed);
    ASSERT_NE(newer, nullptr);
    EXPECT_FALSE(older->IsNamed());
    EXPECT_TRUE(newer->IsNamed());

    EXPECT_TRUE(older->Unlink());
    const auto reader = NSharedMemory::Open(Name("obj"), false);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(*static_cast<const char*>(reader->GetData()), 'n');
    EXPECT_TRUE(reader->IsNamed());

    EXPECT_TRUE(newer->Unlink());
    EXPECT_FALSE(newer->IsNamed());
    EXPECT_EQ(NSharedMemory::Open(Name("obj"), false), nullptr);
}

TEST_F(SharedMemoryTest, RemovingAScopeRemovesItsObjectsOnly) {
    bool existed = false;
    std::vector<std::unique_ptr<NSharedMemory>> objects;
    for (const auto& [scope, name] : std::vector<std::pair<std::string, std::string>>{
             {"a", "one"}, {"a", "two"}, {"ab", "three"}}) {
        objects.push_back(CreateFilled(NOs::MakeSharedMemoryName(scope, name), 's', &existed));
        ASSERT_NE(objects.back(), nullptr);
    }
    EXPECT_TRUE(NOs::RemoveSharedMemoryScope("a"));
    const std::vector<std::string> left = m_namespace.Objects();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left.front(), NOs::MakeSharedMemoryName("ab", "three"));
}

}  // namespace
