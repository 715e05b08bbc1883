// The file of a loaded module, or why there is none.
#include "os/module_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ModuleFileTest, TheExecutablesFolderIsTheFolderOfItsPath) {
    const NOs::NResult<std::string> path = NOs::GetModuleFilePath(nullptr);
    ASSERT_TRUE(path) << path.Error().Message();
    const NOs::NResult<std::string> folder = NOs::GetModuleFolder(nullptr);
    ASSERT_TRUE(folder) << folder.Error().Message();
    EXPECT_EQ(path.Value().rfind(folder.Value() + "/", 0), 0u) << path.Value();
    EXPECT_EQ(path.Value().find('/', folder.Value().size() + 1), std::string::npos);
}

TEST(ModuleFileTest, AnAddressThatNoModuleHoldsHasNoFileAndSaysWhy) {
    const int onTheStack = 0;
    const void* nowhere = &onTheStack;
    const NOs::NResult<std::string> path = NOs::GetModuleFilePath(nowhere);
    ASSERT_FALSE(path);
    EXPECT_TRUE(path.Error());
    const NOs::NResult<std::string> folder = NOs::GetModuleFolder(nowhere);
    ASSERT_FALSE(folder);
    EXPECT_EQ(folder.Error(), path.Error());
}

}  // namespace
