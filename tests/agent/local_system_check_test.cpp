#include "agent/local_system_check.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/text_convert.h"
#include "tests/support/log_capture.h"
#include "tests/support/windows_build.h"
#ifdef _WIN32
#include "windows_sid_text.h"
#endif

namespace {

using NLines = std::vector<std::string>;

NOs::NSid MakeSid(std::array<uint8_t, NOs::kSidAuthorityBytes> authority,
                  const std::vector<uint32_t>& subAuthorities) {
    NOs::NSid sid;
    sid.m_arrAuthority = authority;
    for (uint32_t subAuthority : subAuthorities) {
        sid.m_arrSubAuthority[sid.m_nSubAuthorityCount++] = subAuthority;
    }
    return sid;
}

NOs::NSid FifteenSubAuthorities(std::array<uint8_t, NOs::kSidAuthorityBytes> authority) {
    return MakeSid(authority, std::vector<uint32_t>(NOs::kSidMaxSubAuthorities, 4294967295u));
}

const std::string kFifteenMaxSubAuthorities = [] {
    std::string text;
    for (size_t i = 0; i < NOs::kSidMaxSubAuthorities; ++i) {
        text += "-4294967295";
    }
    return text;
}();

std::string SidLine(const char* sidText) {
    return std::string("[INFO] isRunByLoaclSystem() Process Token User SID : ") + sidText;
}

struct NTextCase {
    const char* pszName;
    NOs::NSid sid;
    std::string strText;
};

class GetTextualSidTest : public testing::TestWithParam<NTextCase> {};

TEST_P(GetTextualSidTest, RendersSid) {
    const NTextCase& param = GetParam();
    char16_t text[1024];
    uint32_t capacity = 1024;
    ASSERT_EQ(GetTextualSid(&param.sid, text, &capacity), 1);
    EXPECT_EQ(NUtf::ToUtf8(text), param.strText);
    EXPECT_EQ(capacity, 1024u);
}

#ifdef _WIN32
// Windows writes the same digits; its hex digits are capitals where the
// agent's text keeps its own small ones ("0x%02hx").
TEST_P(GetTextualSidTest, HasTheDigitsOfWindowsText) {
    const auto lowered = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    };
    // Wine writes an authority of 2^31 or more as a negative number, and
    // none above 2^32 (Windows writes those in hex, as the agent does).
    const auto& bytes = GetParam().sid.m_arrAuthority;
    if (bytes[0] != 0 || bytes[1] != 0 || bytes[2] >= 0x80) {
        GTEST_SKIP() << "Wine cannot write this authority as Windows does";
    }
    const std::optional<std::u16string> windowsText = WindowsSidText(GetParam().sid);
    ASSERT_TRUE(windowsText.has_value());
    EXPECT_EQ(lowered(NUtf::ToUtf8(*windowsText)), lowered(GetParam().strText));
}
#endif

INSTANTIATE_TEST_SUITE_P(
    Shapes, GetTextualSidTest,
    testing::Values(
        NTextCase{"LocalSystem", MakeSid({0, 0, 0, 0, 0, 5}, {18}), "S-1-5-18"},
        NTextCase{"LocalService", MakeSid({0, 0, 0, 0, 0, 5}, {19}), "S-1-5-19"},
        NTextCase{"UnixUser", MakeSid({0, 0, 0, 0, 0, 22}, {1, 65534}), "S-1-22-1-65534"},
        NTextCase{"NoSubAuthorities", MakeSid({0, 0, 0, 0, 0, 5}, {}), "S-1-5"},
        NTextCase{"NullAuthority", MakeSid({0, 0, 0, 0, 0, 0}, {0}), "S-1-0-0"},
        NTextCase{"DecimalAbove65535", MakeSid({0, 0, 0x12, 0x34, 0x56, 0x78}, {7}),
                  "S-1-305419896-7"},
        NTextCase{"LargestDecimal", MakeSid({0, 0, 0xff, 0xff, 0xff, 0xff}, {}), "S-1-4294967295"},
        NTextCase{"HexByTopByte", MakeSid({0x01, 0x02, 0x0a, 0xbc, 0x00, 0xff}, {1}),
                  "S-1-0x01020abc00ff-1"},
        NTextCase{"HexBySecondByte", MakeSid({0, 1, 0, 0, 0, 0}, {}), "S-1-0x000100000000"},
        NTextCase{"FifteenSubAuthoritiesHex",
                  FifteenSubAuthorities({0xff, 0xff, 0xff, 0xff, 0xff, 0xff}),
                  "S-1-0xffffffffffff" + kFifteenMaxSubAuthorities},
        NTextCase{"FifteenSubAuthoritiesDecimal",
                  FifteenSubAuthorities({0, 0, 0xff, 0xff, 0xff, 0xff}),
                  "S-1-4294967295" + kFifteenMaxSubAuthorities}),
    [](const testing::TestParamInfo<NTextCase>& caseInfo) { return caseInfo.param.pszName; });

// The capacity must hold 56 + 24 per sub-authority; a smaller one gets that
// figure back and ERANGE, and the text stays as it was.
TEST(GetTextualSidCapacityTest, StoresNeededCapacityWhenTooSmall) {
    struct NCase {
        size_t nSubAuthorities;
        uint32_t nCapacity;
        int nResult;
        uint32_t nCapacityAfter;
    };
    for (const NCase& test :
         {NCase{0, 55, 0, 56}, NCase{0, 56, 1, 56}, NCase{1, 79, 0, 80}, NCase{1, 80, 1, 80},
          NCase{15, 415, 0, 416}, NCase{15, 416, 1, 416}, NCase{15, 0, 0, 416}}) {
        SCOPED_TRACE(testing::Message()
                     << test.nSubAuthorities << " sub-authorities, capacity " << test.nCapacity);
        const NOs::NSid sid = MakeSid({0xff, 0, 0, 0, 0, 0},
                                      std::vector<uint32_t>(test.nSubAuthorities, 4294967295u));
        std::u16string text(1024, u'#');
        uint32_t capacity = test.nCapacity;
        errno = 0;
        EXPECT_EQ(GetTextualSid(&sid, text.data(), &capacity), test.nResult);
        EXPECT_EQ(capacity, test.nCapacityAfter);
        if (test.nResult == 0) {
            EXPECT_EQ(errno, ERANGE);
            EXPECT_EQ(text, std::u16string(1024, u'#'));
        } else {
            EXPECT_EQ(text.find(u'\0'), 18 + 11 * test.nSubAuthorities);
        }
    }
}

TEST(GetTextualSidInvalidTest, RefusesInvalidSidAndNullArguments) {
    NOs::NSid badRevision = MakeSid({0, 0, 0, 0, 0, 5}, {18});
    badRevision.m_nRevision = 2;
    NOs::NSid tooManySubAuthorities = MakeSid({0, 0, 0, 0, 0, 5}, {18});
    tooManySubAuthorities.m_nSubAuthorityCount = 16;
    const NOs::NSid good = MakeSid({0, 0, 0, 0, 0, 5}, {18});

    char16_t text[1024] = {u'#', 0};
    uint32_t capacity = 1024;
    EXPECT_EQ(GetTextualSid(&badRevision, text, &capacity), 0);
    EXPECT_EQ(GetTextualSid(&tooManySubAuthorities, text, &capacity), 0);
    EXPECT_EQ(GetTextualSid(nullptr, text, &capacity), 0);
    EXPECT_EQ(GetTextualSid(&good, nullptr, &capacity), 0);
    EXPECT_EQ(GetTextualSid(&good, text, nullptr), 0);
    EXPECT_EQ(capacity, 1024u);
    EXPECT_EQ(std::u16string(text), u"#");
}

TEST(LocalSystemUserTest, AcceptsOnlyLocalSystemAndLogsTheSid) {
    struct NCase {
        NOs::NSid sid;
        int nResult;
        const char* pszSidText;
    };
    for (const NCase& test : {NCase{MakeSid({0, 0, 0, 0, 0, 5}, {18}), 1, "S-1-5-18"},
                              NCase{MakeSid({0, 0, 0, 0, 0, 5}, {19}), 0, "S-1-5-19"},
                              NCase{MakeSid({0, 0, 0, 0, 0, 5}, {20}), 0, "S-1-5-20"},
                              NCase{MakeSid({0, 0, 0, 0, 0, 5}, {18, 0}), 0, "S-1-5-18-0"},
                              NCase{MakeSid({0, 0, 0, 0, 0, 22}, {1, 1000}), 0, "S-1-22-1-1000"}}) {
        NLogCapture capture;
        EXPECT_EQ(IsLocalSystemUser(test.sid), test.nResult) << test.pszSidText;
        EXPECT_EQ(capture.TakeLines(), NLines{SidLine(test.pszSidText)});
    }
}

TEST(LocalSystemUserTest, InvalidSidLogsFailure) {
    NOs::NSid sid = MakeSid({0, 0, 0, 0, 0, 5}, {18});
    sid.m_nRevision = 0;
    NLogCapture capture;
    EXPECT_EQ(IsLocalSystemUser(sid), 0);
    EXPECT_EQ(capture.TakeLines(), NLines{"[ERROR] GetTextualSid() Fail"});
}

// A process token that cannot be read has no SID to log.
TEST(LocalSystemUserTest, UnreadableUserIsRefusedWithoutALine) {
    NLogCapture capture;
    EXPECT_EQ(IsLocalSystemUser(NOs::NError(std::errc::permission_denied)), 0);
    EXPECT_EQ(capture.TakeLines(), NLines{});
}

TEST(IsRunByLocalSystemTest, RootPasses) {
    Q6_LINUX_ONLY("the Windows token user is Wine's own account (tests/windows)");
    if (::geteuid() != 0) {
        GTEST_SKIP() << "runs as root only";
    }
    NLogCapture capture;
    EXPECT_EQ(isRunByLoaclSystem(), 1);
    EXPECT_EQ(capture.TakeLines(), NLines{SidLine("S-1-5-18")});
}

// In a child that runs as uid 65534 (or as the non-root user the test runs as).
TEST(IsRunByLocalSystemTest, OtherUserIsRefused) {
    Q6_LINUX_ONLY("a Windows token cannot be changed to another account");
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && ::setresuid(65534, 65534, 65534) != 0) {
                std::_Exit(2);
            }
            const std::string expected =
                SidLine(("S-1-22-1-" + std::to_string(::geteuid())).c_str());
            NLogCapture capture;
            const int nResult = isRunByLoaclSystem();
            const NLines lines = capture.TakeLines();
            for (const std::string& line : lines) {
                std::cerr << line << '\n';
            }
            std::_Exit(nResult == 0 && lines == NLines{expected} ? 0 : 1);
        },
        testing::ExitedWithCode(0), "SID : S-1-22-1-[1-9][0-9]*\n");
}

}  // namespace
