#include "regfile/reg_file_parser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/registry_folder.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr char16_t kZoneKey[] =
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\"
    u"Pacific Standard Time";

// The zone's key as regedit exports it: CR LF line ends, the byte list of
// "TZI" wrapped with '\', UTF-16LE with a byte-order mark.
constexpr char16_t kWindowsExport[] =
    u"Windows Registry Editor Version 5.00\r\n"
    u"\r\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\"
    u"Pacific Standard Time]\r\n"
    u"\"Display\"=\"(UTC-08:00) Pacific Time (US & Canada)\"\r\n"
    u"\"Dlt\"=\"Pacific Daylight Time\"\r\n"
    u"\"MUI_Dlt\"=\"@tzres.dll,-211\"\r\n"
    u"\"Std\"=\"Pacific Standard Time\"\r\n"
    u"\"TZI\"=hex:e0,01,00,00,00,00,00,00,c4,ff,ff,ff,00,00,0b,00,00,00,01,00,02,00,\\\r\n"
    u"  00,00,00,00,00,00,00,00,03,00,00,00,02,00,02,00,00,00,00,00,00,00\r\n"
    u"\r\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\"
    u"Pacific Standard Time\\Dynamic DST]\r\n"
    u"\"FirstEntry\"=dword:000007d6\r\n"
    u"\"LastEntry\"=dword:00000834\r\n"
    u"\r\n";

const Bytes kPacificTzi = {0xe0, 0x01, 0, 0, 0, 0, 0, 0, 0xc4, 0xff, 0xff, 0xff, 0, 0, 0x0b,
                           0,    0,    0, 1, 0, 2, 0, 0, 0,    0,    0,    0,    0, 0, 0,
                           0x03, 0,    0, 0, 2, 0, 2, 0, 0,    0,    0,    0,    0, 0};

// UTF-16LE bytes of a value's text with its terminating zero.
Bytes TextBytes(std::u16string_view text) {
    Bytes bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

std::string Utf8File(const std::string& body) {
    return "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Test]\r\n" + body;
}

const NOs::NRegValue* TestValue(const NOs::NRegTree& tree, std::u16string_view name) {
    const NOs::NRegKey* key = tree.FindKey(u"HKEY_CURRENT_USER\\Test");
    return key == nullptr ? nullptr : key->FindValue(name);
}

TEST(RegFileParserTest, ReadsAFileAsWindowsWritesIt) {
    NOs::NRegTree tree;
    const NOs::NRegFileReport report = NOs::ApplyRegFile(Utf16LeFile(kWindowsExport), tree);
    EXPECT_TRUE(report.isRegFile);
    EXPECT_EQ(report.skippedLines, 0u);

    const NOs::NRegKey* zone = tree.FindKey(kZoneKey);
    ASSERT_NE(zone, nullptr);
    const NOs::NRegValue* tzi = zone->FindValue(u"TZI");
    ASSERT_NE(tzi, nullptr);
    EXPECT_EQ(tzi->type, NOs::kRegBinary);
    EXPECT_EQ(tzi->data, kPacificTzi);
    EXPECT_EQ(zone->FindValue(u"Std")->data, TextBytes(u"Pacific Standard Time"));
    EXPECT_EQ(zone->FindValue(u"Display")->data,
              TextBytes(u"(UTC-08:00) Pacific Time (US & Canada)"));
    EXPECT_EQ(zone->FindValue(u"Std")->type, NOs::kRegSz);

    const NOs::NRegKey* dynamic = tree.FindKey(std::u16string(kZoneKey) + u"\\Dynamic DST");
    ASSERT_NE(dynamic, nullptr);
    EXPECT_EQ(dynamic->FindValue(u"FirstEntry")->data, (Bytes{0xd6, 0x07, 0, 0}));
    EXPECT_EQ(dynamic->FindValue(u"FirstEntry")->type, NOs::kRegDword);
}

TEST(RegFileParserTest, ReadsUtf8WithAndWithoutByteOrderMark) {
    const std::string body =
        Utf8File("\"Name\"=\"Gr\xC3\xBC\xC3\x9F \xE4\xB8\xAD \xF0\x9F\x98\x80\"\n");
    for (const std::string& file : {body, "\xEF\xBB\xBF" + body}) {
        NOs::NRegTree tree;
        EXPECT_TRUE(NOs::ApplyRegFile(file, tree).isRegFile);
        const NOs::NRegValue* value = TestValue(tree, u"name");
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->data, TextBytes(u"Gr\u00fc\u00df \u4e2d \U0001F600"));
    }
}

TEST(RegFileParserTest, InvalidUtf8BecomesReplacementCharacters) {
    NOs::NRegTree tree;
    NOs::ApplyRegFile(Utf8File("\"Name\"=\"a\xFF"
                               "b\xC3\"\n"),
                      tree);
    const NOs::NRegValue* value = TestValue(tree, u"Name");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->data, TextBytes(u"a\uFFFDb\uFFFD"));
}

TEST(RegFileParserTest, AcceptsTheVersion4Header) {
    NOs::NRegTree tree;
    EXPECT_TRUE(
        NOs::ApplyRegFile("\n\nREGEDIT4\n\n[HKEY_USERS\\X]\n\"a\"=dword:1\n", tree).isRegFile);
    EXPECT_NE(tree.FindKey(u"HKEY_USERS\\X"), nullptr);
}

TEST(RegFileParserTest, IgnoresFilesWithoutHeader) {
    const std::string files[] = {
        "",
        "\r\n  \r\n",
        "[HKEY_USERS\\X]\n\"a\"=dword:1\n",
        "Windows Registry Editor Version 4.00\n[HKEY_USERS\\X]\n",
        std::string("\xFE\xFF", 2) + "[HKEY_USERS\\X]",
    };
    for (const std::string& file : files) {
        NOs::NRegTree tree;
        EXPECT_FALSE(NOs::ApplyRegFile(file, tree).isRegFile);
        EXPECT_EQ(tree.FindKey(u"HKEY_USERS\\X"), nullptr);
    }
}

TEST(RegFileParserTest, ReadsEveryDataForm) {
    struct NCase {
        const char* line;
        std::u16string name;
        uint32_t type;
        Bytes data;
    };
    const NCase cases[] = {
        {"\"s\"=\"a\\\\b\\\"c\"", u"s", NOs::kRegSz, TextBytes(u"a\\b\"c")},
        {"\"empty\"=\"\"", u"empty", NOs::kRegSz, TextBytes(u"")},
        {"\"with = and \\\"\"=\"x\"", u"with = and \"", NOs::kRegSz, TextBytes(u"x")},
        {"@=\"default\"", u"", NOs::kRegSz, TextBytes(u"default")},
        {"\"d\"=dword:0000001f", u"d", NOs::kRegDword, {0x1f, 0, 0, 0}},
        {"\"d\"=DWORD:FFFFFFFF", u"d", NOs::kRegDword, {0xff, 0xff, 0xff, 0xff}},
        {"\"d\"=dword:7", u"d", NOs::kRegDword, {7, 0, 0, 0}},
        {"\"b\"=hex:", u"b", NOs::kRegBinary, {}},
        {"\"b\"=hex:0,a,FF", u"b", NOs::kRegBinary, {0, 0x0a, 0xff}},
        {"\"b\" = hex: 01 , 02 ", u"b", NOs::kRegBinary, {1, 2}},
        {"\"e\"=hex(2):25,00,00,00", u"e", NOs::kRegExpandSz, {0x25, 0, 0, 0}},
        {"\"m\"=hex(7):61,00,00,00,00,00", u"m", NOs::kRegMultiSz, {0x61, 0, 0, 0, 0, 0}},
        {"\"q\"=hex(b):01,00,00,00,00,00,00,00", u"q", NOs::kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}},
        {"\"n\"=hex(0):", u"n", NOs::kRegNone, {}},
        {"\"x\"=hex(100000):aa", u"x", 0x100000, {0xaa}},
    };
    for (const NCase& entry : cases) {
        NOs::NRegTree tree;
        const NOs::NRegFileReport report = NOs::ApplyRegFile(Utf8File(entry.line), tree);
        EXPECT_EQ(report.skippedLines, 0u) << entry.line;
        const NOs::NRegValue* value = TestValue(tree, entry.name);
        ASSERT_NE(value, nullptr) << entry.line;
        EXPECT_EQ(value->type, entry.type) << entry.line;
        EXPECT_EQ(value->data, entry.data) << entry.line;
    }
}

TEST(RegFileParserTest, JoinsContinuationLines) {
    NOs::NRegTree tree;
    const auto report = NOs::ApplyRegFile(
        Utf8File("\"b\"=hex(7):61,00,\\\n  62,00,\\\n\t00,00,00,00\n\"after\"=dword:1\n"), tree);
    EXPECT_EQ(report.skippedLines, 0u);
    ASSERT_NE(TestValue(tree, u"b"), nullptr);
    EXPECT_EQ(TestValue(tree, u"b")->data, (Bytes{0x61, 0, 0x62, 0, 0, 0, 0, 0}));
    EXPECT_NE(TestValue(tree, u"after"), nullptr);
}

TEST(RegFileParserTest, SkipsMalformedLinesAndKeepsReading) {
    const char* malformed[] = {
        "\"bad\"=\"unterminated",
        "\"bad\"=\"text\" junk",
        "\"bad\"=\"a\\qb\"",
        "\"bad\"=dword:123456789",
        "\"bad\"=dword:",
        "\"bad\"=dword:12x4",
        "\"bad\"=hex:100",
        "\"bad\"=hex:01,,02",
        "\"bad\"=hex:01,02,",
        "\"bad\"=hex:zz",
        "\"bad\"=hex(zz):00",
        "\"bad\"=hex(2:00",
        "\"bad\"=hex(123456789):00",
        "\"bad\"=text",
        "\"bad\"",
        "\"bad\"dword:1",
        "bad=dword:1",
        "\"bad",
    };
    for (const char* line : malformed) {
        NOs::NRegTree tree;
        const NOs::NRegFileReport report =
            NOs::ApplyRegFile(Utf8File(std::string(line) + "\r\n\"good\"=dword:1\r\n"), tree);
        EXPECT_EQ(report.skippedLines, 1u) << line;
        EXPECT_EQ(TestValue(tree, u"bad"), nullptr) << line;
        EXPECT_NE(TestValue(tree, u"good"), nullptr) << line;
    }
}

TEST(RegFileParserTest, ACutContinuationAtTheEndIsSkipped) {
    NOs::NRegTree tree;
    const auto report = NOs::ApplyRegFile(Utf8File("\"b\"=hex:01,02,\\\n"), tree);
    EXPECT_EQ(report.skippedLines, 1u);
    EXPECT_EQ(TestValue(tree, u"b"), nullptr);
}

TEST(RegFileParserTest, SkipsValuesWithoutAValidKey) {
    // Each file sets "v" and "w" (the second over two lines) after its key
    // lines; the entries counted are the refused key lines and both values.
    const std::pair<const char*, uint32_t> cases[] = {
        {"", 2},
        {"[HKEY_CURRENT_USER\\Test", 3},
        {"[HKEY_NOWHERE\\Test]", 3},
        {"[]", 3},
        {"[", 3},
        {"[HKEY_CURRENT_USER\\\\Test]", 3},
        {"[-]", 3},
        {"[-HKEY_CURRENT_USER\\\\Test]", 3},
        {"[HKEY_CURRENT_USER\\Test]\n[-HKEY_CURRENT_USER\\Test]", 2},
        {"[HKEY_CURRENT_USER\\Test]\n[-HKEY_CURRENT_USER]", 3},
    };
    for (const auto& [keyLines, skipped] : cases) {
        NOs::NRegTree tree;
        const auto report =
            NOs::ApplyRegFile(std::string("Windows Registry Editor Version 5.00\n") + keyLines +
                                  "\n\"v\"=dword:1\n\"w\"=hex:01,\\\n  02\n",
                              tree);
        EXPECT_TRUE(report.isRegFile);
        EXPECT_EQ(report.skippedLines, skipped) << keyLines;
        EXPECT_EQ(TestValue(tree, u"v"), nullptr) << keyLines;
        EXPECT_EQ(TestValue(tree, u"w"), nullptr) << keyLines;
    }
}

TEST(RegFileParserTest, CommentsAndBlankLinesAreNotEntries) {
    NOs::NRegTree tree;
    const auto report = NOs::ApplyRegFile(Utf8File("; a comment\n\n   \n  ;\"x\"=dword:1\n"), tree);
    EXPECT_EQ(report.skippedLines, 0u);
    EXPECT_EQ(TestValue(tree, u"x"), nullptr);
}

TEST(RegFileParserTest, RemovesKeysAndValues) {
    NOs::NRegTree tree;
    NOs::ApplyRegFile(Utf8File("\"a\"=dword:1\n\"b\"=dword:2\n"
                               "[HKEY_CURRENT_USER\\Test\\Sub\\Deeper]\n"
                               "[HKEY_CURRENT_USER\\Other]\n"),
                      tree);
    const auto report = NOs::ApplyRegFile(
        "Windows Registry Editor Version 5.00\n"
        "[-HKEY_CURRENT_USER\\test\\SUB]\n"
        "[hkey_current_user\\TEST]\n"
        "\"A\"=-\n",
        tree);
    EXPECT_EQ(report.skippedLines, 0u);
    EXPECT_EQ(TestValue(tree, u"a"), nullptr);
    EXPECT_NE(TestValue(tree, u"b"), nullptr);
    EXPECT_EQ(tree.FindKey(u"HKEY_CURRENT_USER\\Test\\Sub"), nullptr);
    EXPECT_EQ(tree.FindKey(u"HKEY_CURRENT_USER\\Test\\Sub\\Deeper"), nullptr);
    EXPECT_NE(tree.FindKey(u"HKEY_CURRENT_USER\\Other"), nullptr);
}

TEST(RegFileParserTest, LaterEntriesOverrideEarlierOnes) {
    NOs::NRegTree tree;
    NOs::ApplyRegFile(Utf8File("\"v\"=dword:1\n[HKEY_CURRENT_USER\\TEST]\n\"V\"=\"two\"\n"), tree);
    ASSERT_NE(TestValue(tree, u"v"), nullptr);
    EXPECT_EQ(TestValue(tree, u"v")->data, TextBytes(u"two"));
}

TEST(RegFileParserTest, SurvivesArbitraryBytes) {
    std::mt19937 random(20240601);
    const std::string alphabet =
        "[]\\\"=@-:,;()hexdwor0123456789abcdefHKEY_LOCAL_MACHINE \r\n\xFF\xFE\xC3";
    for (int round = 0; round < 2000; ++round) {
        std::string body;
        const size_t length = random() % 200;
        for (size_t index = 0; index < length; ++index) {
            body += alphabet[random() % alphabet.size()];
        }
        NOs::NRegTree tree;
        const std::string file = round % 2 == 0 ? Utf8File(body) : body;
        const NOs::NRegFileReport report = NOs::ApplyRegFile(file, tree);
        EXPECT_LE(report.skippedLines, file.size());
    }
}

}  // namespace
