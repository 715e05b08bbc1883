// Runs the log set-up as the agent does (twice, as a second call must change
// nothing) and prints what it configured, one "key=value" line each, then logs
// each argument "LEVEL:TEXT" with WriteLog. With Q6_PROBE_FAIL_LOG_BUFFER set,
// allocating the log's format buffer fails.

#include <cstdio>
#include <cstdlib>
#include <log4cpp/Category.hh>
#include <log4cpp/DailyRollingFileAppender.hh>
#include <log4cpp/RollingFileAppender.hh>
#include <new>
#include <string>

#include "base/text_convert.h"
#include "log/log_front.h"
#include "log/log_setup.h"

namespace {

bool g_bFailLogBuffer = false;

void* Allocate(size_t size) {
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void PrintAppender(log4cpp::Appender* appender) {
    if (auto* daily = dynamic_cast<log4cpp::DailyRollingFileAppender*>(appender)) {
        std::printf("appender=daily\ndays=%u\n", daily->getMaxDaysToKeep());
    } else if (auto* rolling = dynamic_cast<log4cpp::RollingFileAppender*>(appender)) {
        std::printf("appender=rolling\nmaxFileSize=%zu\nmaxBackupIndex=%u\n",
                    rolling->getMaxFileSize(), rolling->getMaxBackupIndex());
    } else {
        std::printf("appender=%s\n", appender == nullptr ? "none" : "other");
    }
}

void PrintConfiguration() {
    std::printf("ready=%d\nmini=%d\ncategory=%s\nmodule=%s\n", IsLogReady() ? 1 : 0,
                g_bMiniInstall ? 1 : 0, g_szLogName, NUtf::ToUtf8(g_wszModuleName).c_str());
    if (!IsLogReady()) {
        return;
    }
    log4cpp::Category& category = log4cpp::Category::getInstance(g_szLogName);
    std::printf("priority=%d\nchained=%d\nappenders=%zu\n", category.getPriority(),
                category.getChainedPriority(), category.getAllAppenders().size());
    PrintAppender(category.getAppender("default"));
}

}  // namespace

// The format buffer is the only array of kLogBufferUnits code units.
void* operator new[](size_t size) {
    if (g_bFailLogBuffer && size == kLogBufferUnits * sizeof(char16_t)) {
        throw std::bad_alloc();
    }
    return Allocate(size);
}
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory, size_t) noexcept { std::free(memory); }

int main(int argc, char** argv) {
    g_bFailLogBuffer = std::getenv("Q6_PROBE_FAIL_LOG_BUFFER") != nullptr;
    InitLog(nullptr);
    InitLog(nullptr);
    PrintConfiguration();
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const size_t colon = argument.find(':');
        const std::u16string text = NUtf::ToUtf16(argument.substr(colon + 1));
        WriteLog(std::stoi(argument.substr(0, colon)), u"%s", text.c_str());
    }
    return 0;
}
