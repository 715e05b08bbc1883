#include "os/registry_store.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "os/linux/registry_folder.h"
#include "os/module_file.h"
#include "tests/support/registry_folder.h"

namespace {

using NOs::NRegRoot;

const std::vector<uint8_t> kOne = {1, 0, 0, 0};
const std::vector<uint8_t> kTwo = {2, 0, 0, 0};

const NOs::NRegValue* FindValue(const std::unique_ptr<NOs::NRegKey>& key,
                                std::u16string_view name) {
    return key ? key->FindValue(name) : nullptr;
}

class RegistryStoreTest : public ::testing::Test {
protected:
    NRegistryFolder m_folder;
};

TEST_F(RegistryStoreTest, ReadsTheFolderNamedByTheVariable) {
    EXPECT_EQ(NOs::GetRegistryFolder(), m_folder.Path().string());
    m_folder.WriteRegFile("a.reg", "[HKEY_LOCAL_MACHINE\\Software\\Q6]\n\"v\"=dword:1\n");

    const auto key = NOs::OpenRegistryKey(NRegRoot::LocalMachine, u"SOFTWARE\\q6");
    ASSERT_NE(FindValue(key, u"V"), nullptr);
    EXPECT_EQ(FindValue(key, u"V")->data, kOne);
    EXPECT_EQ(NOs::OpenRegistryKey(NRegRoot::CurrentUser, u"Software\\Q6"), nullptr);
    EXPECT_EQ(NOs::OpenRegistryKey(NRegRoot::LocalMachine, u"Software\\Q7"), nullptr);
}

TEST_F(RegistryStoreTest, WithoutTheVariableReadsTheFolderBesideTheExecutable) {
    const std::filesystem::path executable = NOs::GetModuleFilePath(nullptr).Value();
    const std::string beside = (executable.parent_path() / "registry").string();
    ::setenv(NOs::kRegistryFolderVariable, "", 1);
    EXPECT_EQ(NOs::GetRegistryFolder(), beside);
    ::unsetenv(NOs::kRegistryFolderVariable);
    EXPECT_EQ(NOs::GetRegistryFolder(), beside);
}

TEST_F(RegistryStoreTest, MergesFilesInNameOrder) {
    m_folder.WriteRegFile("b.reg", "[HKEY_USERS\\K]\n\"v\"=dword:2\n\"only-b\"=dword:2\n");
    m_folder.WriteRegFile("a.REG", "[HKEY_USERS\\K]\n\"v\"=dword:1\n\"only-a\"=dword:1\n");
    const auto key = NOs::OpenRegistryKey(NRegRoot::Users, u"K");
    ASSERT_NE(FindValue(key, u"v"), nullptr);
    EXPECT_EQ(FindValue(key, u"v")->data, kTwo);
    EXPECT_NE(FindValue(key, u"only-a"), nullptr);
    EXPECT_NE(FindValue(key, u"only-b"), nullptr);
}

TEST_F(RegistryStoreTest, ReadsOnlyRegularFilesNamedReg) {
    m_folder.WriteRegFile("zones.txt", "[HKEY_USERS\\Txt]\n");
    m_folder.WriteRegFile(".reg", "[HKEY_USERS\\Bare]\n");
    std::filesystem::create_directory(m_folder.Path() / "folder.reg");
    m_folder.WriteRegFile("sizes.reg", "[HKEY_USERS\\Big]\n");
    std::filesystem::resize_file(m_folder.Path() / "sizes.reg", NOs::kMaxRegFileSize + 1);
    m_folder.WriteRegFile("good.reg", "[HKEY_USERS\\Good]\n");

    EXPECT_NE(NOs::OpenRegistryKey(NRegRoot::Users, u"Good"), nullptr);
    EXPECT_EQ(NOs::OpenRegistryKey(NRegRoot::Users, u"Txt"), nullptr);
    EXPECT_EQ(NOs::OpenRegistryKey(NRegRoot::Users, u"Bare"), nullptr);
    EXPECT_EQ(NOs::OpenRegistryKey(NRegRoot::Users, u"Big"), nullptr);
}

TEST_F(RegistryStoreTest, AnEditedFileReachesTheNextOpen) {
    m_folder.WriteRegFile("a.reg", "[HKEY_USERS\\K]\n\"v\"=dword:1\n");
    const auto before = NOs::OpenRegistryKey(NRegRoot::Users, u"K");
    m_folder.WriteRegFile("a.reg", "[HKEY_USERS\\K]\n\"v\"=dword:2\n");
    const auto after = NOs::OpenRegistryKey(NRegRoot::Users, u"K");
    ASSERT_NE(FindValue(before, u"v"), nullptr);
    ASSERT_NE(FindValue(after, u"v"), nullptr);
    EXPECT_EQ(FindValue(before, u"v")->data, kOne);  // an open key keeps what it read
    EXPECT_EQ(FindValue(after, u"v")->data, kTwo);
}

TEST_F(RegistryStoreTest, RootKeysAlwaysOpen) {
    EXPECT_NE(NOs::OpenRegistryKey(NRegRoot::LocalMachine, u""), nullptr);
    EXPECT_NE(NOs::OpenRegistryKey(NRegRoot::ClassesRoot, u""), nullptr);
    EXPECT_EQ(NOs::OpenRegistryKey(static_cast<NRegRoot>(0x80000004), u""), nullptr);
}

TEST_F(RegistryStoreTest, RefusesInvalidSubkeyPaths) {
    m_folder.WriteRegFile("a.reg", "[HKEY_USERS\\K]\n");
    for (const std::u16string_view path : {u"\\K", u"K\\\\", u"K\\\\L", u"\\"}) {
        EXPECT_EQ(NOs::OpenRegistryKey(NRegRoot::Users, path), nullptr);
        EXPECT_EQ(NOs::CreateRegistryKey(NRegRoot::Users, path), nullptr);
    }
    EXPECT_NE(NOs::OpenRegistryKey(NRegRoot::Users, u"K\\"), nullptr);
}

TEST_F(RegistryStoreTest, CreatedKeysLiveInMemoryOnly) {
    const std::u16string path = u"CreatedInMemory\\Key";
    ASSERT_EQ(NOs::OpenRegistryKey(NRegRoot::CurrentUser, path), nullptr);

    const auto created = NOs::CreateRegistryKey(NRegRoot::CurrentUser, path);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->FindValue(u""), nullptr);
    EXPECT_NE(NOs::OpenRegistryKey(NRegRoot::CurrentUser, path), nullptr);
    EXPECT_NE(NOs::OpenRegistryKey(NRegRoot::CurrentUser, u"createdinmemory"), nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(m_folder.Path()));
}

TEST_F(RegistryStoreTest, CreatingAnExistingKeyOpensItsValues) {
    m_folder.WriteRegFile("a.reg", "[HKEY_USERS\\K]\n\"v\"=dword:1\n");
    const auto key = NOs::CreateRegistryKey(NRegRoot::Users, u"k");
    EXPECT_NE(FindValue(key, u"v"), nullptr);
}

TEST_F(RegistryStoreTest, AMissingFolderHoldsNoKeys) {
    ::setenv(NOs::kRegistryFolderVariable, (m_folder.Path() / "missing").c_str(), 1);
    EXPECT_EQ(NOs::OpenRegistryKey(NRegRoot::LocalMachine, u"Software"), nullptr);
    EXPECT_NE(NOs::OpenRegistryKey(NRegRoot::LocalMachine, u""), nullptr);
}

}  // namespace
