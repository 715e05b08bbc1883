#include "regfile/reg_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using NOs::NRegTree;
using NOs::NRegValue;

TEST(RegTreeTest, FoldsLettersOfCommonScripts) {
    EXPECT_EQ(NOs::FoldRegName(u"Time Zones"), u"TIME ZONES");
    EXPECT_EQ(NOs::FoldRegName(u"caf\u00e9 \u00f7"), u"CAF\u00c9 \u00f7");
    EXPECT_EQ(NOs::FoldRegName(u"\u03b1\u03c2\u03c9"), u"\u0391\u03c2\u03a9");
    EXPECT_EQ(NOs::FoldRegName(u"\u0430\u044f\u0451"), u"\u0410\u042f\u0401");
    EXPECT_EQ(NOs::FoldRegName(u"\u4e2d1_\\"), u"\u4e2d1_\\");
}

TEST(RegTreeTest, NormalizesValidPaths) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"HKEY_LOCAL_MACHINE", u"HKEY_LOCAL_MACHINE"},
        {u"hkey_local_machine\\Software", u"HKEY_LOCAL_MACHINE\\SOFTWARE"},
        {u"HKEY_USERS\\a\\b\\", u"HKEY_USERS\\A\\B"},
        {u"HKEY_CURRENT_CONFIG\\" + std::u16string(255, u'x'),
         u"HKEY_CURRENT_CONFIG\\" + std::u16string(255, u'X')},
    };
    for (const auto& [path, normalized] : cases) {
        const auto result = NOs::NormalizeRegPath(path);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(*result, normalized);
    }
}

TEST(RegTreeTest, RefusesInvalidPaths) {
    const std::u16string cases[] = {
        u"",
        u"SOFTWARE\\Microsoft",
        u"HKLM\\Software",
        u"HKEY_LOCAL_MACHINEX",
        u"\\HKEY_LOCAL_MACHINE",
        u"HKEY_LOCAL_MACHINE\\\\Software",
        u"HKEY_LOCAL_MACHINE\\a\\\\",
        u"HKEY_LOCAL_MACHINE\\" + std::u16string(256, u'x'),
    };
    for (const auto& path : cases) {
        EXPECT_FALSE(NOs::NormalizeRegPath(path).has_value());
    }
}

TEST(RegTreeTest, AddingAKeyAddsItsParents) {
    NRegTree tree;
    ASSERT_NE(tree.AddKey(u"HKEY_LOCAL_MACHINE\\A\\B\\C"), nullptr);
    EXPECT_NE(tree.FindKey(u"HKEY_LOCAL_MACHINE"), nullptr);
    EXPECT_NE(tree.FindKey(u"hkey_local_machine\\a"), nullptr);
    EXPECT_NE(tree.FindKey(u"HKEY_LOCAL_MACHINE\\A\\b"), nullptr);
    EXPECT_NE(tree.FindKey(u"HKEY_LOCAL_MACHINE\\A\\B\\C"), nullptr);
    EXPECT_EQ(tree.FindKey(u"HKEY_LOCAL_MACHINE\\A\\B\\C\\D"), nullptr);
    EXPECT_EQ(tree.FindKey(u"HKEY_USERS"), nullptr);
    EXPECT_EQ(tree.AddKey(u"NOWHERE\\A"), nullptr);
}

TEST(RegTreeTest, DeletingAKeyRemovesItsSubkeysOnly) {
    NRegTree tree;
    tree.AddKey(u"HKEY_LOCAL_MACHINE\\A\\B\\C");
    tree.AddKey(u"HKEY_LOCAL_MACHINE\\A\\BC");
    tree.AddKey(u"HKEY_LOCAL_MACHINE\\A\\B!");
    EXPECT_TRUE(tree.DeleteKey(u"hkey_local_machine\\a\\b"));
    EXPECT_EQ(tree.FindKey(u"HKEY_LOCAL_MACHINE\\A\\B"), nullptr);
    EXPECT_EQ(tree.FindKey(u"HKEY_LOCAL_MACHINE\\A\\B\\C"), nullptr);
    EXPECT_NE(tree.FindKey(u"HKEY_LOCAL_MACHINE\\A\\BC"), nullptr);
    EXPECT_NE(tree.FindKey(u"HKEY_LOCAL_MACHINE\\A\\B!"), nullptr);
    EXPECT_NE(tree.FindKey(u"HKEY_LOCAL_MACHINE\\A"), nullptr);
}

TEST(RegTreeTest, RootKeysAndInvalidPathsCannotBeDeleted) {
    NRegTree tree;
    tree.AddKey(u"HKEY_LOCAL_MACHINE\\A");
    EXPECT_FALSE(tree.DeleteKey(u"HKEY_LOCAL_MACHINE"));
    EXPECT_FALSE(tree.DeleteKey(u"HKEY_LOCAL_MACHINE\\\\A"));
    EXPECT_NE(tree.FindKey(u"HKEY_LOCAL_MACHINE\\A"), nullptr);
}

TEST(RegTreeTest, ValuesMatchWithoutRegardToCase) {
    NOs::NRegKey key;
    key.SetValue(u"TZI", NRegValue{NOs::kRegBinary, {1, 2, 3}});
    key.SetValue(u"", NRegValue{NOs::kRegSz, {0, 0}});
    const NRegValue* value = key.FindValue(u"tzi");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, NOs::kRegBinary);
    EXPECT_EQ(value->data, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_NE(key.FindValue(u""), nullptr);

    key.SetValue(u"Tzi", NRegValue{NOs::kRegDword, {9, 0, 0, 0}});
    EXPECT_EQ(key.FindValue(u"TZI")->type, NOs::kRegDword);
    key.DeleteValue(u"tZi");
    EXPECT_EQ(key.FindValue(u"TZI"), nullptr);
}

}  // namespace
