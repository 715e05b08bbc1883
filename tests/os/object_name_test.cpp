#include "os/object_name.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using NOs::NObjectSpace;

// Sets the namespace for the test, unset again at its end.
class ObjectNameTest : public ::testing::Test {
protected:
    void TearDown() override { ::unsetenv(NOs::kObjectNamespaceVariable); }

    static void UseNamespace(const std::string& name) {
        ::setenv(NOs::kObjectNamespaceVariable, name.c_str(), 1);
    }
};

struct NNameCase {
    std::string strName;
    std::string strExpected;
};

TEST_F(ObjectNameTest, NamesEscapeSeparatorsAndThePercentSign) {
    UseNamespace("ns");
    const std::vector<NNameCase> cases = {
        {"plain", "test.plain"},       {"a/b", "test.a%2Fb"},
        {"a\\b", "test.a%5Cb"},        {"50%", "test.50%25"},
        {"%2F", "test.%252F"},         {"Global\\x/y", "test.Global%5Cx%2Fy"},
        {"\xC3\xA9", "test.\xC3\xA9"}, {"..", "test..."},
    };
    for (const NNameCase& test : cases) {
        const auto name = NOs::MakeObjectName(NObjectSpace::Machine, "test", test.strName);
        ASSERT_TRUE(name) << test.strName;
        EXPECT_EQ(name->strEntry, test.strExpected);
        EXPECT_EQ(name->strNamespace, "ns");
    }
}

TEST_F(ObjectNameTest, NamesThatCannotBeUsedAreRefused) {
    const size_t room = NOs::kMaxObjectEntryName - std::string("test.").size();
    EXPECT_TRUE(NOs::MakeObjectName(NObjectSpace::Machine, "test", std::string(room, 'n')));
    EXPECT_FALSE(NOs::MakeObjectName(NObjectSpace::Machine, "test", std::string(room + 1, 'n')));
    // Escaping makes it too long.
    EXPECT_FALSE(NOs::MakeObjectName(NObjectSpace::Machine, "test", std::string(room, '/')));
    EXPECT_FALSE(NOs::MakeObjectName(NObjectSpace::Machine, "test", ""));
    EXPECT_FALSE(NOs::MakeObjectName(NObjectSpace::Machine, "test", std::string("a\0b", 3)));
}

TEST_F(ObjectNameTest, AnInvalidNamespaceRefusesEveryNameAndAnEmptyOneIsTheMachines) {
    for (const std::string& space : {std::string("a.b"), std::string("a/b"), std::string("a b"),
                                     std::string("\xC3\xA9"), std::string(33, 'a')}) {
        UseNamespace(space);
        EXPECT_FALSE(NOs::MakeObjectName(NObjectSpace::Machine, "test", "x")) << space;
        EXPECT_FALSE(NOs::GetNamedObjectName("Global\\x")) << space;
    }
    UseNamespace(std::string(32, 'a'));
    EXPECT_EQ(NOs::MakeObjectName(NObjectSpace::Machine, "test", "x")->strNamespace,
              std::string(32, 'a'));
    UseNamespace("");
    EXPECT_EQ(NOs::MakeObjectName(NObjectSpace::Machine, "test", "x")->strNamespace, "");
}

struct NNamedCase {
    std::string strName;
    NObjectSpace eSpace;
    std::string strEntry;
};

TEST_F(ObjectNameTest, GlobalNamesAreTheMachinesAndOthersTheAccounts) {
    const std::vector<NNamedCase> cases = {
        {"Global\\q6pt_event01", NObjectSpace::Machine, "Global.q6pt_event01"},
        {"Local\\q6tsapp_x", NObjectSpace::Account, "Local.q6tsapp_x"},
        {"q6tsapp_x", NObjectSpace::Account, "Local.q6tsapp_x"},
        {"global\\x", NObjectSpace::Account, "Local.global%5Cx"},  // case-sensitive
    };
    for (const NNamedCase& test : cases) {
        const auto name = NOs::GetNamedObjectName(test.strName);
        ASSERT_TRUE(name) << test.strName;
        EXPECT_EQ(name->eSpace, test.eSpace) << test.strName;
        EXPECT_EQ(name->strEntry, test.strEntry);
    }
    EXPECT_FALSE(NOs::GetNamedObjectName("Global\\"));
    EXPECT_FALSE(NOs::GetNamedObjectName(""));
}

}  // namespace
