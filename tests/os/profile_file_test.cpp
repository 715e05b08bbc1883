#include "os/profile_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/temp_folder.h"

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& text) {
        const std::string path = (m_folder.Path() / "test.properties").string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    NOs::NProfileFile Read(const std::string& text) { return NOs::NProfileFile(Write(text)); }

    NTempFolder m_folder;
};

struct NIntCase {
    const char* value;
    int expected;
};

TEST_F(ProfileFileTest, IntegersAreReadLikeWindows) {
    const NIntCase cases[] = {
        {"7", 7},
        {"12abc", 12},
        {"abc", 0},
        {"-1", -1},
        {"+5", 5},
        {"- 5", 0},
        {"0x1F", 31},
        {"0xfg", 15},
        {"0o17", 15},
        {"0b101", 5},
        {"0X1F", 0},
        {"010", 10},
        {"4294967297", 1},
        {"2147483648", INT_MIN},
        {"-2147483649", INT_MAX},
        {"\" 9\"", 9},
        {"'8'", 8},
        {"7 ; a comment", 7},
    };
    std::string text = "[log]\n";
    for (size_t i = 0; i < std::size(cases); ++i) {
        text += "key" + std::to_string(i) + "=" + cases[i].value + "\n";
    }
    const NOs::NProfileFile profile = Read(text);
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(profile.GetInt("log", "key" + std::to_string(i), 42), cases[i].expected)
            << cases[i].value;
    }
}

TEST_F(ProfileFileTest, MissingOrEmptyValuesGiveTheDefault) {
    const NOs::NProfileFile profile = Read("[log]\nempty=\nquoted=\"\"\nbare\n");
    for (const char* key : {"empty", "quoted", "bare", "absent"}) {
        EXPECT_EQ(profile.GetInt("log", key, -7), -7) << key;
    }
    EXPECT_EQ(profile.GetInt("other", "empty", 3), 3);
}

TEST_F(ProfileFileTest, NamesIgnoreCaseAndWhiteSpace) {
    const NOs::NProfileFile profile =
        Read("  [ LoG ]  \n\t LogLevel \t=\t 7 \t\n MAX size = 5\x1a\n");
    EXPECT_EQ(profile.GetInt("log", "loglevel", 0), 7);
    EXPECT_EQ(profile.GetInt(" LOG ", " LOGLEVEL ", 0), 7);
    EXPECT_EQ(profile.GetInt("log", "max size", 0), 5);
    EXPECT_EQ(profile.GetString("log", "LogLevel", "x"), "7");
}

TEST_F(ProfileFileTest, LineStructure) {
    const NOs::NProfileFile profile = Read(
        "\xEF\xBB\xBF"
        "before=1\r\n"
        "[log] ; trailing text\r\n"
        ";commented=1\r"
        "path=a=b ; not a comment\r\n"
        "bare\n"
        "first=1\n"
        "first=2\n"
        "[broken\n"
        "[log]\n"
        "second=1\n");
    EXPECT_FALSE(profile.FindValue("log", "before"));
    EXPECT_FALSE(profile.FindValue("", "before"));
    EXPECT_FALSE(profile.FindValue("log", "commented"));
    EXPECT_FALSE(profile.FindValue("log", ";commented"));
    EXPECT_EQ(profile.FindValue("log", "path"), "a=b ; not a comment");
    EXPECT_EQ(profile.FindValue("log", "bare"), "");
    EXPECT_EQ(profile.FindValue("log", "[broken"), "");
    EXPECT_EQ(profile.GetInt("log", "first", 0), 1);
    // Only the first section of a name is searched.
    EXPECT_FALSE(profile.FindValue("log", "second"));
}

TEST_F(ProfileFileTest, QuotesAroundValues) {
    const NOs::NProfileFile profile =
        Read("[s]\ndouble=\"a b\"\nsingle='c'\nmixed=\"d'\nlone=\"\ninner=\"e\"f\"\nhalf=\"g\n");
    EXPECT_EQ(profile.GetString("s", "double", ""), "a b");
    EXPECT_EQ(profile.GetString("s", "single", ""), "c");
    EXPECT_EQ(profile.GetString("s", "mixed", ""), "\"d'");
    EXPECT_EQ(profile.GetString("s", "lone", ""), "\"");
    EXPECT_EQ(profile.GetString("s", "inner", ""), "e\"f");
    EXPECT_EQ(profile.GetString("s", "half", ""), "\"g");
}

TEST_F(ProfileFileTest, DefaultTextLosesTrailingSpaces) {
    const NOs::NProfileFile profile = Read("[s]\nkey=value\n");
    EXPECT_EQ(profile.GetString("s", "missing", " default \t  "), " default \t");
    EXPECT_EQ(profile.GetString("s", "key", "default"), "value");
}

TEST_F(ProfileFileTest, BufferedTextIsCutAndTerminated) {
    const NOs::NProfileFile profile = Read("[s]\nkey=abcdef\nutf=a\xC3\xA9z\n");
    char buffer[8];
    EXPECT_EQ(profile.GetString("s", "key", "x", buffer, 4), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(profile.GetString("s", "key", "x", buffer, sizeof(buffer)), 6u);
    EXPECT_STREQ(buffer, "abcdef");
    EXPECT_EQ(profile.GetString("s", "key", "x", buffer, 1), 0u);
    EXPECT_STREQ(buffer, "");
    // Never half a UTF-8 sequence.
    EXPECT_EQ(profile.GetString("s", "utf", "x", buffer, 3), 1u);
    EXPECT_STREQ(buffer, "a");
    EXPECT_EQ(profile.GetString("s", "utf", "x", buffer, 4), 3u);
    EXPECT_STREQ(buffer, "a\xC3\xA9");
    EXPECT_EQ(profile.GetString("s", "missing", "dflt  ", buffer, sizeof(buffer)), 4u);
    EXPECT_STREQ(buffer, "dflt");
    EXPECT_EQ(profile.GetString("s", "missing", nullptr, buffer, sizeof(buffer)), 0u);
    EXPECT_STREQ(buffer, "");
    buffer[0] = 'q';
    EXPECT_EQ(profile.GetString("s", "key", "x", buffer, 0), 0u);
    EXPECT_EQ(buffer[0], 'q');
}

TEST_F(ProfileFileTest, AbsentFileOrFolderReadsAsEmpty) {
    const std::filesystem::path folder = m_folder.Path() / "folder.properties";
    std::filesystem::create_directory(folder);
    for (const std::filesystem::path& path : {m_folder.Path() / "missing", folder}) {
        const NOs::NProfileFile profile(path.string());
        EXPECT_EQ(profile.GetInt("log", "loglevel", 6), 6) << path;
        EXPECT_EQ(profile.GetString("log", "path", "dflt"), "dflt") << path;
    }
}

TEST_F(ProfileFileTest, FileIsReadOnceWhenTheObjectIsMade) {
    const std::string path = Write("[log]\nloglevel=7\n");
    const NOs::NProfileFile profile(path);
    Write("[log]\nloglevel=3\n");
    EXPECT_EQ(profile.GetInt("log", "loglevel", 0), 7);
    std::filesystem::remove(path);
    EXPECT_EQ(profile.GetInt("log", "loglevel", 0), 7);
}

}  // namespace
