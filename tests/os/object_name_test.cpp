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
        EXPECT_EQ(name.Value().strEntry, test.strExpected);
        EXPECT_EQ(name.Value().strNamespace, "ns");
    }
}

// The reason why a name of scope test cannot be made; no error when it can.
NOs::NError RefusalOf(const std::string& name) {
    return NOs::MakeObjectName(NObjectSpace::Machine, "test", name).Error();
}

TEST_F(ObjectNameTest, NamesThatCannotBeUsedAreRefused) {
    const size_t room = NOs::kMaxObjectEntryName - std::string("test.").size();
    EXPECT_FALSE(RefusalOf(std::string(room, 'n')));
    EXPECT_EQ(RefusalOf(std::string(room + 1, 'n')), NOs::NObjectError::BadName);
    // Escaping makes it too long.
    EXPECT_EQ(RefusalOf(std::string(room, '/')), NOs::NObjectError::BadName);
    EXPECT_EQ(RefusalOf(""), NOs::NObjectError::BadName);
    EXPECT_EQ(RefusalOf(std::string("a\0b", 3)), NOs::NObjectError::BadName);
}

TEST_F(ObjectNameTest, AnInvalidNamespaceRefusesEveryNameAndAnEmptyOneIsTheMachines) {
    for (const std::string& space : {std::string("a.b"), std::string("a/b"), std::string("a b"),
                                     std::string("\xC3\xA9"), std::string(33, 'a')}) {
        UseNamespace(space);
        EXPECT_EQ(NOs::GetObjectNamespace().Error(), NOs::NObjectError::BadName) << space;
        EXPECT_EQ(RefusalOf("x"), NOs::NObjectError::BadName) << space;
        EXPECT_EQ(NOs::GetNamedObjectName("Global\\x").Error(), NOs::NObjectError::BadName)
            << space;
    }
    UseNamespace(std::string(32, 'a'));
    EXPECT_EQ(NOs::MakeObjectName(NObjectSpace::Machine, "test", "x").Value().strNamespace,
              std::string(32, 'a'));
    UseNamespace("");
    EXPECT_EQ(NOs::GetObjectNamespace().Value(), "");
    EXPECT_EQ(NOs::MakeObjectName(NObjectSpace::Machine, "test", "x").Value().strNamespace, "");
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
        EXPECT_EQ(name.Value().eSpace, test.eSpace) << test.strName;
        EXPECT_EQ(name.Value().strEntry, test.strEntry);
    }
    EXPECT_EQ(NOs::GetNamedObjectName("Global\\").Error(), NOs::NObjectError::BadName);
    EXPECT_EQ(NOs::GetNamedObjectName("").Error(), NOs::NObjectError::BadName);
}

}  // namespace
