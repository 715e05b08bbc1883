#pragma once
// The one log call of the system. Until the log set-up has completed every
// call does nothing.
//
// Levels 0..7 map to log4cpp EMERG (printed "FATAL") .. DEBUG; any other
// level logs nothing.

#include <cstddef>
#include <memory>

#include "base/format.h"

// The levels the system logs at.
enum NLogLevel : int { kLogFatal = 0, kLogError = 3, kLogInfo = 6, kLogDebug = 7 };

constexpr size_t kLogNameBytes = 128;
constexpr size_t kLogBufferUnits = 102400;

// Category name (the executable's file name), filled by the log set-up.
extern char g_szLogName[kLogNameBytes];
// Format buffer, allocated last by the log set-up; null until then.
extern std::unique_ptr<char16_t[]> g_pwszLogBuf;

bool IsLogReady();

// Logs finished narrow text; the text is never used as a format.
void WriteLogText(int level, const char* text);

// Converts the formatted message in g_pwszLogBuf and logs it.
void WriteLogBuffer(int level);

template <class... T>
void WriteLog(int level, const char16_t* format, const T&... args) {
    if (!IsLogReady()) {
        return;
    }
    NFormat::Print(g_pwszLogBuf.get(), kLogBufferUnits, format, args...);
    WriteLogBuffer(level);
}
