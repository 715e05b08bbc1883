// NWin's code pages are the numbers Windows knows them by (built only on
// Windows, where the conversions are Windows' own).
#include "windows_code_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "base/code_page.h"
#include "base/text_convert.h"

namespace {

std::u16string ToWide(const std::string& text, uint32_t codePage) {
    const std::unique_ptr<char16_t, decltype(&std::free)> result(
        MultiToWide(text.c_str(), codePage), &std::free);
    return result ? std::u16string(result.get()) : u"<null>";
}

TEST(WindowsCodePageTest, TheAnsiCodePageIsTheOneWindowsReports) {
    ASSERT_NE(WindowsAnsiCodePage(), NWin::CP_UTF8) << "the test needs an ANSI code page apart";
    std::string everyByte;
    for (int byte = 0x20; byte <= 0xFF; ++byte) {
        everyByte += static_cast<char>(byte);
    }
    EXPECT_EQ(ToWide(everyByte, NWin::CP_ACP), ToWide(everyByte, WindowsAnsiCodePage()));
    EXPECT_NE(ToWide(everyByte, NWin::CP_ACP), ToWide(everyByte, NWin::CP_UTF8));
}

TEST(WindowsCodePageTest, Utf8IsUtf8) {
    EXPECT_EQ(ToWide("\xED\x95\x9C \xF0\x9F\x98\x80", NWin::CP_UTF8), u"\uD55C \U0001F600");
}

}  // namespace
