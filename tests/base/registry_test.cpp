#include "base/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/registry_keys.h"
#include "tests/support/allocation_count.h"
#include "tests/support/registry_folder.h"

namespace {

using NWin::HKEY_CURRENT_USER;
using NWin::HKEY_LOCAL_MACHINE;
using NWin::HKEY_USERS;
using NWin::KEY_ALL_ACCESS;
using NWin::KEY_READ;

constexpr char16_t kKey[] = u"SOFTWARE\\Q6\\Test";
constexpr char16_t kUntouched = u'#';
constexpr uint8_t kUntouchedByte = 0xEE;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Forty letters, no two alike, so that a cut shows which ones it kept.
        const std::string forty = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
        m_folder.WriteRegFile("test.reg",
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Q6\\Test]\n"
                              "\"Forty\"=\"" +
                                  forty +
                                  "\"\n"
                                  "\"Empty\"=\"\"\n"
                                  "\"Short\"=\"abc\"\n"
                                  "@=\"default\"\n"
                                  "\"Number\"=dword:00410042\n"
                                  "\"Odd\"=hex:41,00,42\n"
                                  "\"Bytes44\"=hex:" +
                                  ByteList(44) +
                                  "\n"
                                  "\"Bytes20\"=hex:" +
                                  ByteList(20) + "\n");
        std::fill(std::begin(m_szText), std::end(m_szText), kUntouched);
        std::fill(std::begin(m_bytes), std::end(m_bytes), kUntouchedByte);
    }

    // "01,02,...": count bytes counting up from 1.
    static std::string ByteList(uint8_t count) {
        static constexpr char kDigits[] = "0123456789abcdef";
        std::string list;
        for (uint8_t index = 1; index <= count; ++index) {
            list += (index > 1 ? "," : "");
            list += {kDigits[index >> 4], kDigits[index & 0x0F]};
        }
        return list;
    }

    bool TextUntouched() const {
        return std::all_of(std::begin(m_szText), std::end(m_szText),
                           [](char16_t unit) { return unit == kUntouched; });
    }

    NRegistryFolder m_folder;
    NRegistry m_registry;
    char16_t m_szText[64];
    uint8_t m_bytes[64];
};

TEST_F(RegistryTest, OpenOnlyFailsOnAMissingKey) {
    EXPECT_FALSE(m_registry.Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Q6\\Missing", true, true));
    EXPECT_FALSE(m_registry.IsOpen());
    EXPECT_FALSE(m_registry.GetString(u"Short", m_szText, 64));
    uint32_t length = 44;
    EXPECT_FALSE(m_registry.GetBytes(u"Bytes44", m_bytes, length));
    EXPECT_EQ(length, 44u);
    EXPECT_TRUE(TextUntouched());
}

TEST_F(RegistryTest, OpensKeysWithoutRegardToCase) {
    EXPECT_TRUE(m_registry.Open(HKEY_LOCAL_MACHINE, u"software\\q6\\TEST", true, true));
    EXPECT_TRUE(m_registry.GetString(u"SHORT", m_szText, 64));
    EXPECT_EQ(std::u16string(m_szText), u"abc");
    EXPECT_FALSE(m_registry.Open(HKEY_CURRENT_USER, kKey, true, true));
}

TEST_F(RegistryTest, GetStringCutsToTheCapacity) {
    ASSERT_TRUE(m_registry.Open(HKEY_LOCAL_MACHINE, kKey, true, true));
    EXPECT_TRUE(m_registry.GetString(u"Forty", m_szText, 32));
    EXPECT_EQ(std::u16string(m_szText), u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcde");
    EXPECT_EQ(m_szText[32], kUntouched);

    EXPECT_TRUE(m_registry.GetString(u"Short", m_szText, 4));
    EXPECT_EQ(std::u16string(m_szText), u"abc");
    EXPECT_TRUE(m_registry.GetString(u"Short", m_szText, 1));
    EXPECT_EQ(std::u16string(m_szText), u"");
}

TEST_F(RegistryTest, GetStringReadsEmptyAndDefaultValues) {
    ASSERT_TRUE(m_registry.Open(HKEY_LOCAL_MACHINE, kKey, true, true));
    EXPECT_TRUE(m_registry.GetString(u"Empty", m_szText, 64));
    EXPECT_EQ(std::u16string(m_szText), u"");
    EXPECT_TRUE(m_registry.GetString(nullptr, m_szText, 64));
    EXPECT_EQ(std::u16string(m_szText), u"default");
    EXPECT_TRUE(m_registry.GetString(u"", m_szText, 64));
    EXPECT_EQ(std::u16string(m_szText), u"default");
}

TEST_F(RegistryTest, GetStringTakesAnyTypeAsText) {
    ASSERT_TRUE(m_registry.Open(HKEY_LOCAL_MACHINE, kKey, true, true));
    EXPECT_TRUE(m_registry.GetString(u"Number", m_szText, 64));  // 42 00 41 00
    EXPECT_EQ(std::u16string(m_szText), u"BA");
    EXPECT_TRUE(m_registry.GetString(u"Odd", m_szText, 64));  // the last byte alone
    EXPECT_EQ(std::u16string(m_szText), u"AB");
    EXPECT_TRUE(m_registry.GetString(u"Bytes20", m_szText, 64));
    EXPECT_EQ(m_szText[0], 0x0201);
}

TEST_F(RegistryTest, GetStringFailuresLeaveTheBufferUntouched) {
    ASSERT_TRUE(m_registry.Open(HKEY_LOCAL_MACHINE, kKey, true, true));
    EXPECT_FALSE(m_registry.GetString(u"Missing", m_szText, 64));
    EXPECT_FALSE(m_registry.GetString(u"Short", m_szText, 0));
    EXPECT_FALSE(m_registry.GetString(u"Short", nullptr, 64));
    EXPECT_TRUE(TextUntouched());
}

TEST_F(RegistryTest, GetBytesCopiesAtMostTheLengthAndTheValueSize) {
    struct NCase {
        const char16_t* name;
        uint32_t asked;
        uint32_t copied;
    };
    const NCase cases[] = {
        {u"Bytes44", 44, 44},
        {u"Bytes20", 44, 20},
        {u"Bytes44", 10, 10},
        {u"Bytes44", 0, 0},
    };
    ASSERT_TRUE(m_registry.Open(HKEY_LOCAL_MACHINE, kKey, true, true));
    for (const NCase& entry : cases) {
        std::fill(std::begin(m_bytes), std::end(m_bytes), kUntouchedByte);
        uint32_t length = entry.asked;
        EXPECT_TRUE(m_registry.GetBytes(entry.name, m_bytes, length));
        EXPECT_EQ(length, entry.copied);
        for (uint32_t index = 0; index < entry.copied; ++index) {
            EXPECT_EQ(m_bytes[index], index + 1);  // the values count up from 1
        }
        EXPECT_EQ(m_bytes[entry.copied], kUntouchedByte);
    }
}

TEST_F(RegistryTest, GetBytesReadsTextValuesAsStored) {
    ASSERT_TRUE(m_registry.Open(HKEY_LOCAL_MACHINE, kKey, true, true));
    uint32_t length = 64;
    EXPECT_TRUE(m_registry.GetBytes(u"Short", m_bytes, length));
    EXPECT_EQ(length, 8u);  // "abc" and its zero in UTF-16
    EXPECT_EQ(std::vector<uint8_t>(m_bytes, m_bytes + 8),
              (std::vector<uint8_t>{'a', 0, 'b', 0, 'c', 0, 0, 0}));
}

TEST_F(RegistryTest, GetBytesFailuresLeaveBufferAndLengthUntouched) {
    ASSERT_TRUE(m_registry.Open(HKEY_LOCAL_MACHINE, kKey, true, true));
    uint32_t length = 44;
    EXPECT_FALSE(m_registry.GetBytes(u"Missing", m_bytes, length));
    EXPECT_FALSE(m_registry.GetBytes(u"Bytes44", nullptr, length));
    EXPECT_EQ(length, 44u);
    EXPECT_EQ(m_bytes[0], kUntouchedByte);
}

TEST_F(RegistryTest, OpenWithoutOpenOnlyCreatesTheKeyInMemory) {
    EXPECT_TRUE(m_registry.Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Q6\\MadeByOpen", false, true));
    EXPECT_FALSE(m_registry.GetString(u"Short", m_szText, 64));
    NRegistry again;
    EXPECT_TRUE(again.Open(HKEY_LOCAL_MACHINE, u"software\\q6\\madebyopen", true, true));

    NRegistry created;
    EXPECT_TRUE(created.Create(HKEY_USERS, u"MadeByCreate\\Below", KEY_ALL_ACCESS));
    EXPECT_TRUE(again.Open(HKEY_USERS, u"MadeByCreate", true, false));
    EXPECT_FALSE(created.Create(HKEY_USERS, u"\\Invalid", KEY_READ));
    EXPECT_FALSE(created.IsOpen());
}

TEST_F(RegistryTest, OpeningAgainReplacesTheKeyHeld) {
    ASSERT_TRUE(m_registry.Open(HKEY_LOCAL_MACHINE, kKey, true, true));
    ASSERT_TRUE(m_registry.Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Q6", true, true));
    EXPECT_FALSE(m_registry.GetString(u"Short", m_szText, 64));
    EXPECT_FALSE(m_registry.Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Q6\\Missing", true, true));
    EXPECT_FALSE(m_registry.IsOpen());
}

TEST_F(RegistryTest, CloseReleasesTheKeyOnce) {
    EXPECT_FALSE(m_registry.Close());
    ASSERT_TRUE(m_registry.Open(HKEY_LOCAL_MACHINE, kKey, true, true));
    EXPECT_TRUE(m_registry.Close());
    EXPECT_FALSE(m_registry.IsOpen());
    EXPECT_FALSE(m_registry.GetString(u"Short", m_szText, 64));
    EXPECT_FALSE(m_registry.Close());
    EXPECT_TRUE(TextUntouched());
}

TEST_F(RegistryTest, DestructionReleasesAnOpenKey) {
    // A first open may set up what every later one shares.
    ASSERT_TRUE(NRegistry().Open(HKEY_LOCAL_MACHINE, kKey, true, true));
    const size_t before = NAllocationCount::Live();
    {
        NRegistry registry;
        ASSERT_TRUE(registry.Open(HKEY_LOCAL_MACHINE, kKey, true, true));
        EXPECT_GT(NAllocationCount::Live(), before);  // the key's values
    }
    EXPECT_EQ(NAllocationCount::Live(), before);
}

TEST_F(RegistryTest, ANullSubkeyOpensTheRoot) {
    EXPECT_TRUE(m_registry.Open(HKEY_LOCAL_MACHINE, nullptr, true, true));
    EXPECT_TRUE(m_registry.IsOpen());
}

}  // namespace
