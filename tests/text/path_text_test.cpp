// Paths and prefixes as text.

#include "text/path_text.h"

#include <gtest/gtest.h>

#include <string>

#include "text/text_prefix.h"

namespace {

TEST(PathTextTest, SplitsAtTheLastSeparatorAndJoinsBack) {
    struct NCase {
        std::string_view path;
        std::string_view folder;
        std::string_view name;
    };
    const NCase cases[] = {
        {"/opt/q6/q6tsa", "/opt/q6", "q6tsa"},
        {"/q6tsa", "", "q6tsa"},  // the root's folder text is empty
        {"q6tsa", "", "q6tsa"},
        {"a/b/", "a/b", ""},
        {"", "", ""},
    };
    for (const NCase& test : cases) {
        EXPECT_EQ(NOs::ParentFolder(test.path), test.folder) << test.path;
        EXPECT_EQ(NOs::LastName(test.path), test.name) << test.path;
        if (test.path.find('/') != std::string_view::npos) {
            EXPECT_EQ(NOs::JoinPath(test.folder, test.name), test.path);
        }
    }
    EXPECT_EQ(NOs::JoinPath(u"/dépôt", u"x"), u"/dépôt/x");
    EXPECT_EQ(NOs::ParentFolder(std::u16string_view(u"/a/\xDCFF")), u"/a");
}

TEST(TextPrefixTest, ComparesOnlyThePrefixAndNeverReadsPastTheEnd) {
    EXPECT_TRUE(NOs::StartsWith("Global\\name", "Global\\"));
    EXPECT_TRUE(NOs::StartsWith("abc", ""));
    EXPECT_FALSE(NOs::StartsWith("Glob", "Global\\"));
    EXPECT_FALSE(NOs::StartsWith("global\\name", "Global\\"));

    // A zero-terminated text shorter than the prefix: the terminator differs.
    const char16_t shortText[] = {u'I', u'6', u'\0', u'4'};
    EXPECT_FALSE(NOs::StartsWith(shortText, std::u16string_view(u"I64")));
    EXPECT_TRUE(NOs::StartsWith(u"I64d", std::u16string_view(u"I64")));
    EXPECT_TRUE(NOs::StartsWith(u"", std::u16string_view()));
}

}  // namespace
