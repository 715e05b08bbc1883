#include "log/log_front.h"

#include <cstdlib>
#include <exception>
#include <log4cpp/Category.hh>

#include "base/code_page.h"
#include "base/text_convert.h"

char g_szLogName[kLogNameBytes] = {};
std::unique_ptr<char16_t[]> g_pwszLogBuf;

namespace {

using NCategoryCall = void (log4cpp::Category::*)(const std::string&);

// Category operations by level, EMERG (0) to DEBUG (7).
constexpr NCategoryCall kCallsByLevel[] = {
    &log4cpp::Category::emerg, &log4cpp::Category::alert, &log4cpp::Category::crit,
    &log4cpp::Category::error, &log4cpp::Category::warn,  &log4cpp::Category::notice,
    &log4cpp::Category::info,  &log4cpp::Category::debug,
};
constexpr int kLevelCount = static_cast<int>(sizeof(kCallsByLevel) / sizeof(kCallsByLevel[0]));

}  // namespace

bool IsLogReady() { return g_pwszLogBuf != nullptr; }

void WriteLogText(int level, const char* text) {
    if (!IsLogReady() || level < 0 || level >= kLevelCount) {
        return;
    }
    try {
        log4cpp::Category& category = log4cpp::Category::getInstance(std::string(g_szLogName));
        // Copied first: g++ 12's UBSan miscompiles a call straight through the array.
        const NCategoryCall call = kCallsByLevel[level];
        (category.*call)(std::string(text));
    } catch (const std::exception&) {  // NOLINT(bugprone-empty-catch)
        // Logging never fails its caller.
    }
}

void WriteLogBuffer(int level) {
    const std::unique_ptr<char, decltype(&std::free)> text(
        WideToMulti(g_pwszLogBuf.get(), NWin::CP_ACP), &std::free);
    if (text) {
        WriteLogText(level, text.get());
    }
}
