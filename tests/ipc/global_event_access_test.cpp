// The Windows build's event access: the security descriptor that opens the
// event to every account, and the lines logged when it cannot be made.

// log4cpp before windows.h: windows.h defines ERROR, a name of log4cpp's.
#include "tests/support/log_capture.h"
// The rest after it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ipc/global_event.h"
#include "os/win32/everyone_access_testing.h"

namespace {

using NLines = std::vector<std::string>;

constexpr char16_t kName[] = u"Global\\q6_access_test";

// Two codes that the real functions could give, one for each step.
constexpr DWORD kInitializeCode = ERROR_INVALID_SECURITY_DESCR;
constexpr DWORD kSetDaclCode = ERROR_INVALID_ACL;

BOOL WINAPI FailingInitialize(PSECURITY_DESCRIPTOR /*descriptor*/, DWORD /*revision*/) {
    ::SetLastError(kInitializeCode);
    return FALSE;
}

BOOL WINAPI FailingSetDacl(PSECURITY_DESCRIPTOR /*descriptor*/, BOOL /*present*/, PACL /*dacl*/,
                           BOOL /*defaulted*/) {
    ::SetLastError(kSetDaclCode);
    return FALSE;
}

bool EventExists() {
    HANDLE event = ::OpenEventW(SYNCHRONIZE, FALSE, kName);
    if (event == nullptr) {
        return false;
    }
    ::CloseHandle(event);
    return true;
}

struct NFailureCase {
    const char* pszName;
    NOs::NDescriptorFunctions functions;
    std::string strLine;
};

class GlobalEventAccessFailureTest : public testing::TestWithParam<NFailureCase> {};

TEST_P(GlobalEventAccessFailureTest, LogsTheStepWithItsCodeAndMakesNoEvent) {
    const NOs::NDescriptorFunctionsOverride functions(GetParam().functions);
    NLogCapture capture;
    EXPECT_EQ(NMisc::CreateGlobalEvent(kName, 0), nullptr);
    EXPECT_EQ(capture.TakeLines(), NLines{GetParam().strLine});
    EXPECT_FALSE(EventExists());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, GlobalEventAccessFailureTest,
    testing::Values(
        NFailureCase{"Initialize",
                     {FailingInitialize, ::SetSecurityDescriptorDacl},
                     "[ERROR] NMisc::CreateGlobalEvent InitializeSecurityDescriptor error (code: " +
                         std::to_string(kInitializeCode) + ")"},
        NFailureCase{"SetDacl",
                     {::InitializeSecurityDescriptor, FailingSetDacl},
                     "[ERROR] NMisc::CreateGlobalEvent SetSecurityDescriptorDacl error (code: " +
                         std::to_string(kSetDaclCode) + ")"}),
    [](const testing::TestParamInfo<NFailureCase>& caseInfo) { return caseInfo.param.pszName; });

TEST(GlobalEventAccessTest, DescriptorThatCanBeMadeLogsNothing) {
    NLogCapture capture;
    const NMisc::NEventHandle event = NMisc::CreateGlobalEvent(kName, 0);
    EXPECT_NE(event, nullptr);
    EXPECT_TRUE(EventExists());
    EXPECT_EQ(capture.TakeLines(), NLines{});
}

}  // namespace
