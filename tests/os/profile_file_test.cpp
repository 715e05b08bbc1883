#include "os/profile_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "tests/support/temp_folder.h"
#include "tests/support/windows_build.h"

namespace {

using namespace std::string_view_literals;

class ProfileFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& text) {
        std::string path = (m_folder.Path() / "test.properties").string();
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
        {"4294967295", -1},
        {"0xFFFFFFFF", -1},
        {"0xffffffffffffffff1", -15},
        {"-0x10", -16},
        {"0x-1", 0},
        {"+-1", 0},
        {"0O17", 0},
        {"0o8", 0},
        {"0b2", 0},
        {"1e3", 1},
        {"3 4", 3},
        {"\"\x01 9\"", 9},
        {"\"\1779\"", 0},
        {"\xEF\xBC\x91", 0},  // a full-width digit is no digit
        // Only the first 29 UTF-16 code units are read.
        {"00000000000000000000000000005", 5},
        {"000000000000000000000000000005", 0},
        {"1000000000000000000000000000000", 268435456},
        {"-000000000000000000000000000005", 0},
        {"\"                              5\"", 0},
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

struct NLookupCase {
    std::string_view ini;
    const char* section;
    const char* key;
    const char* text;  // GetString with the default "D"
    int number;        // GetInt with the default -9
};

// What GetPrivateProfileStringA and GetPrivateProfileIntA answered on Wine.
TEST_F(ProfileFileTest, LookupsAnswerAsWindowsDoes) {
    const NLookupCase cases[] = {
        // A NUL byte ends a name or a value, after the trimming.
        {"[s\x00x]\nk=1\n"sv, "s", "k", "1", 1},
        {"[t]\nv=a\000b\n"sv, "t", "v", "a", 0},
        {"[t]\nw=\x00\n"sv, "t", "w", "", -9},
        {"[t]\nz=12\00034\n"sv, "t", "z", "12", 12},
        {"[s]\nk\x00x=1\n"sv, "s", "k", "1", 1},
        {"[s]\nk \x00=1\n"sv, "s", "k", "D", -9},
        {"[s]\nk=1 \x00 \n"sv, "s", "k", "1 ", 1},
        {"[s]\nk=\"a\000b\"\n"sv, "s", "k", "\"a", 0},
        {"[s]\nk='a'\x00'\n"sv, "s", "k", "a", 0},
        {"[ s \x00 ]\nk=1\n"sv, "s", "k", "D", -9},
        // A line without '=' is a key without a value, and it hides later ones.
        {"[s]\nbare\n"sv, "s", "bare", "D", -9},
        {"[s]\nk\nk=1\n"sv, "s", "k", "D", -9},
        {"[s]\n=empty\n"sv, "s", "", "empty", 0},
        // ';' and '#' start keys like any other character.
        {"[s]\n;k=1\n"sv, "s", ";k", "1", 1},
        {"[s]\n;k=1\n"sv, "s", "k", "D", -9},
        {"[s]\n  ;k=3\n"sv, "s", ";k", "3", 3},
        {"[s]\n#k=2\n"sv, "s", "#k", "2", 2},
        {"[s]\nk=4;x\n"sv, "s", "k", "4;x", 4},
        {";[t]\n[s]\nk=1\n"sv, "t", "k", "D", -9},
        // Lines before the first section form the section "".
        {"top=1\n[s]\nk=3\n"sv, "", "top", "1", 1},
        {"top=1\n[s]\nk=3\n"sv, " ", "top", "1", 1},
        {"top=1\n[s]\nk=3\n"sv, "s", "top", "D", -9},
        {"=2\n[s]\n"sv, "", "", "2", 2},
        {"top=1\n[]\nk=3\n"sv, "", "k", "D", -9},
        {"[]\nk=3\n"sv, "", "k", "D", -9},
        {"\x00[s]\nk=1\n"sv, "", "k", "1", 1},
        {"\x00[s]\nk=1\n"sv, "s", "k", "D", -9},
        {"\xEF\xBB\xBFk=0\n[s]\nk=1\n"sv, "", "k", "0", 0},
        // Section headers.
        {"[a]b]\nk=1\n"sv, "a]b", "k", "1", 1},
        {"[a]b]\nk=1\n"sv, "a", "k", "D", -9},
        {"[c\nk=2\n"sv, "c", "k", "D", -9},
        {" [ d ] junk\nk=3\n"sv, "d", "k", "3", 3},
        {"[[g]\nk=6\n"sv, "[g", "k", "6", 6},
        // The first section of a name, and in it the first key.
        {"[s]\nk=1\n[t]\nk=2\n[S]\nk=3\nj=4\n"sv, "s", "j", "D", -9},
        {"[s]\nk=1\n[t]\nk=2\n[S]\nk=3\nj=4\n"sv, "S", "k", "1", 1},
        {"[s]\nk=1\nK=2\n"sv, "s", "K", "1", 1},
        // Only ASCII letters fold.
        {"[\xC3\x89t\xC3\x89]\nk=1\n"sv, "\xC3\xA9t\xC3\xA9", "k", "D", -9},
        {"[\xC3\x89t\xC3\x89]\nk=1\n"sv, "\xC3\x89T\xC3\x89", "k", "1", 1},
        // UTF-16 after its byte order mark, in either byte order.
        {"\xFF\xFE[\x00s\x00]\x00\r\x00\n\x00k\x00=\0001\x00\r\x00\n\x00"sv, "s", "k", "1", 1},
        {"\xFE\xFF\x00[\x00s\x00]\x00\r\x00\n\x00k\x00=\0001\x00\r\x00\n"sv, "s", "k", "1", 1},
        {"\xFF\xFE[\x00s\x00]\x00\n\x00k\x00=\0001\x00\n\x00\x00"sv, "s", "k", "1", 1},
        {"\xFF\xFE[\x00s\x00]\x00\n\x00k\x00=\000a\x00\x00\000b\x00\n\x00"sv, "s", "k", "a", 0},
        {"[\x00s\x00]\x00\n\x00k\x00=\0001\x00\n\x00"sv, "s", "k", "D", -9},
        // A byte order mark counts only at the start.
        {"[s]\n\xEF\xBB\xBF[t]\nk=1\n"sv, "t", "k", "D", -9},
        {"[s]\n\xEF\xBB\xBF[t]\nk=1\n"sv, "s", "k", "1", 1},
        // Line ends.
        {"[s]\rk=1\r\rj=2\n\rl=3\r\n"sv, "s", "l", "3", 3},
        {"[s]\nk=1\x1A[t]\n"sv, "s", "k", "1\x1A[t]", 1},
        {"[s]\nk=1"sv, "s", "k", "1", 1},
    };
    for (const NLookupCase& test : cases) {
        const NOs::NProfileFile profile = Read(std::string(test.ini));
        const std::string where =
            std::string(test.section) + "/" + test.key + " in " + std::string(test.ini);
        EXPECT_EQ(profile.GetString(test.section, test.key, "D"), test.text) << where;
        EXPECT_EQ(profile.GetInt(test.section, test.key, -9), test.number) << where;
    }
}

TEST_F(ProfileFileTest, Utf16FilesReadAsUtf8) {
    Q6_LINUX_ONLY("the A functions answer in the ANSI code page, UTF-8 only on Linux");
    const std::u16string text = u"[s]\nk=v\u00E9\U0001F600\nlone=\xD800x\n";
    std::string little = "\xFF\xFE";
    std::string big = "\xFE\xFF";
    for (const char16_t unit : text) {
        little += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        big += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    }
    for (const std::string& bytes : {little, big}) {
        const NOs::NProfileFile profile = Read(bytes);
        EXPECT_EQ(profile.GetString("s", "k", ""), "v\xC3\xA9\xF0\x9F\x98\x80");
        // An unpaired surrogate becomes U+FFFD.
        EXPECT_EQ(profile.GetString("s", "lone", ""), "\xEF\xBF\xBDx");
    }
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

struct NBufferCase {
    const char* key;
    const char* defaultText;
    uint32_t capacity;
    const char* text;
    uint32_t length;
};

// What GetPrivateProfileStringA wrote on Wine, except where marked.
TEST_F(ProfileFileTest, DefaultsAndQuotedValuesInABuffer) {
    Q6_LINUX_ONLY("Wine cuts the text in the ANSI code page, not in UTF-8");
    const NBufferCase cases[] = {
        {"missing", "   ", 8, "", 0},  // documented: every trailing blank goes; Wine keeps " "
        {"missing", " a  ", 8, " a", 2},
        {"missing", "\"q\"", 8, "q", 1},
        {"missing", "\"q\"  ", 8, "q", 1},
        {"missing", "'q'", 8, "q", 1},
        {"missing", "\"q", 8, "\"q", 2},
        {"missing", "\"", 8, "\"", 1},
        {"missing", "\"\"", 8, "", 0},
        {"missing", "a\t", 8, "a\t", 2},
        {"missing", "abcdef", 4, "abc", 3},
        {"missing", "\"abcdef\"", 6, "abcde", 5},
        {"missing", "\"abcdef\"", 7, "abcdef", 6},  // fits, as documented; Wine cuts "abcde"
        {"missing", "\"abcdef\"", 8, "abcdef", 6},
        {"quoted", "x", 6, "abcde", 5},
        {"quoted", "x", 7, "abcdef", 6},  // fits, as documented; Wine cuts "abcde"
        {"quoted", "x", 2, "a", 1},
    };
    const NOs::NProfileFile profile = Read("[s]\nquoted=\"abcdef\"\n");
    for (const NBufferCase& test : cases) {
        char buffer[16];
        std::memset(buffer, '#', sizeof(buffer));
        EXPECT_EQ(profile.GetString("s", test.key, test.defaultText, buffer, test.capacity),
                  test.length)
            << test.defaultText << " into " << test.capacity;
        EXPECT_STREQ(buffer, test.text) << test.defaultText << " into " << test.capacity;
        EXPECT_EQ(buffer[test.capacity], '#') << test.defaultText << " into " << test.capacity;
    }
}

TEST_F(ProfileFileTest, BufferedTextIsCutAndTerminated) {
    Q6_LINUX_ONLY("Wine cuts the text in the ANSI code page, not in UTF-8");
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

// A package links the settings beside the program to its file under /etc.
TEST_F(ProfileFileTest, LinkIsFollowedOnlyAlongTrustedFolders) {
    Q6_LINUX_ONLY("Windows' own profile calls decide how links are read");
    namespace fs = std::filesystem;
    const std::string target = Write("[log]\nloglevel=7\n");
    const fs::path shared = m_folder.Path() / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all);  // writable by every account, not sticky
    std::ofstream(shared / "test.properties") << "[log]\nloglevel=7\n";
    const struct {
        const char* pszWhat;
        fs::path link;
        fs::path target;
        int expected;
    } cases[] = {
        {"to a trusted file", m_folder.Path() / "link", target, 7},
        {"to a file in a folder every account may change", m_folder.Path() / "link",
         shared / "test.properties", 6},
        {"standing in a folder every account may change", shared / "link", target, 6},
    };
    for (const auto& test : cases) {
        fs::remove(test.link);
        fs::create_symlink(test.target, test.link);
        EXPECT_EQ(NOs::NProfileFile(test.link.string()).GetInt("log", "loglevel", 6), test.expected)
            << "a link " << test.pszWhat;
    }
}

TEST_F(ProfileFileTest, FileIsReadOnceWhenTheObjectIsMade) {
    Q6_LINUX_ONLY("Windows reads the file at every call");
    const std::string path = Write("[log]\nloglevel=7\n");
    const NOs::NProfileFile profile(path);
    Write("[log]\nloglevel=3\n");
    EXPECT_EQ(profile.GetInt("log", "loglevel", 0), 7);
    std::filesystem::remove(path);
    EXPECT_EQ(profile.GetInt("log", "loglevel", 0), 7);
}

}  // namespace
