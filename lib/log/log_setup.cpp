#include "log/log_setup.h"

#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <log4cpp/Category.hh>
#include <log4cpp/DailyRollingFileAppender.hh>
#include <log4cpp/PatternLayout.hh>
#include <log4cpp/RollingFileAppender.hh>
#include <memory>
#include <new>
#include <optional>

#include "base/nstring.h"
#include "base/text_convert.h"
#include "base/version.h"
#include "log/guarded_file_appender.h"
#include "log/log_front.h"
#include "log/log_paths.h"
#include "log/log_properties.h"
#include "os/append_file.h"
#include "text/path_text.h"

char16_t g_wszModuleName[kModuleNameUnits] = {};
bool g_bMiniInstall = false;

namespace {

constexpr char kAppenderName[] = "default";
// Readers of the log rely on this layout; it is not configurable.
constexpr char kLayoutPattern[] = "%d [%p] %c %m%n";
constexpr mode_t kLogFileMode = 0644;
// The size-rolling appender without a properties file.
struct NFixedRolling {
    size_t nMaxFileSize;
    unsigned nMaxBackupIndex;
};
constexpr NFixedRolling kFixedRolling{1048576, 3};
// Log levels 0..8 map to priorities EMERG (0) .. NOTSET (800).
constexpr unsigned kHighestLogLevel = 8;

// g_szLogName from the module name; false when it does not fit.
bool SetLogName(const char16_t* moduleName) {
    const std::string name = NUtf::ToUtf8(moduleName);
    if (name.size() >= kLogNameBytes) {
        return false;
    }
    std::memcpy(g_szLogName, name.c_str(), name.size() + 1);
    return true;
}

// A negative count would reach the size-rolling appender as about four
// billion backups, and every roll-over would then rename that many names:
// the default applies.
unsigned BackupCount(int maxBackupIndex) {
    return maxBackupIndex < 0 ? static_cast<unsigned>(NLogProperties().maxBackupIndex)
                              : static_cast<unsigned>(maxBackupIndex);
}

using NSizeRollingAppender = NGuardedFileAppender<log4cpp::RollingFileAppender>;
using NDailyRollingAppender = NGuardedFileAppender<log4cpp::DailyRollingFileAppender>;

std::unique_ptr<log4cpp::Appender> MakeAppender(const std::optional<NLogProperties>& properties,
                                                const std::u16string& folder,
                                                const std::string& fileName) {
    if (!properties) {
        return std::make_unique<NSizeRollingAppender>(
            folder, kAppenderName, fileName, kFixedRolling.nMaxFileSize,
            kFixedRolling.nMaxBackupIndex, true, kLogFileMode);
    }
    if (properties->logType != 0) {
        // The days to keep go as the unsigned value they convert to, unguarded:
        // log4cpp takes 0 as its default of 30 days and, at each roll-over,
        // deletes the files of the folder whose names contain the log's name
        // and that are older than days * 86400 seconds, a product it wraps to
        // 32 bits. A negative count thus keeps every file; nothing loops.
        return std::make_unique<NDailyRollingAppender>(
            folder, kAppenderName, fileName, static_cast<unsigned>(properties->maxBackupIndex),
            true, kLogFileMode);
    }
    // The size is taken as the 32-bit unsigned value it was read as.
    return std::make_unique<NSizeRollingAppender>(
        folder, kAppenderName, fileName, static_cast<uint32_t>(properties->maxFileSize),
        BackupCount(properties->maxBackupIndex), true, kLogFileMode);
}

// Levels outside 0..8, negative ones included, leave the priority NOTSET.
void SetLogLevel(log4cpp::Category& category, int logLevel) {
    const unsigned level = static_cast<unsigned>(logLevel);
    if (level <= kHighestLogLevel) {
        category.setPriority(static_cast<log4cpp::Priority::Value>(100 * level));
    }
}

// False when the file name names no file, or no file that may be opened
// (see os/append_file.h): logging then stays off, as when the folder
// cannot be made.
bool AttachAppender(const std::optional<NLogProperties>& properties, const std::u16string& folder,
                    const std::u16string& fileName) {
    const std::optional<std::string> path = NUtf::Utf16ToPath(fileName);
    if (!path || !NOs::PrepareAppendFile(*path, kLogFileMode)) {
        return false;
    }
    std::unique_ptr<log4cpp::Appender> appender = MakeAppender(properties, folder, *path);
    auto layout = std::make_unique<log4cpp::PatternLayout>();
    layout->setConversionPattern(kLayoutPattern);
    appender->setLayout(layout.release());  // the appender owns its layout
    log4cpp::Category& category = log4cpp::Category::getInstance(g_szLogName);
    SetLogLevel(category, properties ? properties->logLevel : kLogInfo);
    category.addAppender(appender.release());  // the category owns its appender
    return true;
}

// The format buffer comes last. Without it nothing can be logged, so when
// memory is short (an address-space limit) the log says so itself, in a
// line that needs no buffer, rather than stay empty.
void AllocateLogBuffer() {
    try {
        g_pwszLogBuf = std::make_unique<char16_t[]>(kLogBufferUnits);
    } catch (const std::bad_alloc&) {
        log4cpp::Category::getInstance(g_szLogName)
            .emerg(
                "InitLog: out of memory: the log buffer cannot be allocated, nothing more is "
                "logged.");
    }
}

// The whole set-up but the handler; it stops where a name does not fit.
void ConfigureLog(NModuleHandle module) {
    char16_t moduleFolder[kLogPathUnits] = {};
    g_wszModuleName[0] = u'\0';
    if (!SplitModulePath(module, moduleFolder, kLogPathUnits, g_wszModuleName, kModuleNameUnits) ||
        !SetLogName(g_wszModuleName)) {
        return;
    }
    const std::optional<NAgentProperties>& settings = GetAgentProperties();
    if (!settings) {
        return;
    }
    std::u16string folder =
        IsVistaOrLater() ? NUtf::PathToUtf16(NLogPaths::GetDefaultFolder()) : moduleFolder;
    g_bMiniInstall = IsMiniInstall(module);
    // The default folder is made even when the properties name another one.
    MakeFolderPath(folder.c_str());

    const std::optional<NLogProperties>& properties = settings->log;
    // A cut path would name another folder: a path too long for its buffer
    // leaves the log in the default folder, whose first line says why.
    const bool pathTooLong = properties && properties->path.size() >= kLogPathBytes;
    if (properties && !pathTooLong) {
        // Read as a path, so that bytes that are not UTF-8 name that folder.
        folder = NUtf::PathToUtf16(properties->path);
        MakeFolderPath(folder.c_str());
    }
    const std::optional<std::u16string> fileName =
        NLogPaths::MakeLogFileName(folder.c_str(), g_wszModuleName, g_bMiniInstall);
    if (!fileName) {
        return;
    }
    if (!AttachAppender(properties, folder, *fileName)) {
        return;
    }
    AllocateLogBuffer();
    if (pathTooLong) {
        WriteLog(kLogError,
                 u"InitLog: the log path of q6agent.properties is too long (%u bytes, at most "
                 u"%u): the log stays in the default folder.",
                 static_cast<uint32_t>(properties->path.size()),
                 static_cast<uint32_t>(kLogPathBytes - 1));
    }
}

}  // namespace

void InitLog(NModuleHandle module) {
    if (IsLogReady()) {
        return;
    }
    try {
        ConfigureLog(module);
    } catch (const std::exception&) {  // NOLINT(bugprone-empty-catch)
        // No log exists yet to report to; logging stays off.
    }
}

bool SplitModulePath(NModuleHandle module, char16_t* folder, uint32_t folderCapacity,
                     char16_t* name, uint32_t nameCapacity) {
    const std::u16string path = GetModuleFileName(module);
    const std::u16string_view folderText = NOs::ParentFolder(path);
    const std::u16string_view nameText = NOs::LastName(path);
    if (nameText.empty() || folderText.size() >= folderCapacity ||
        nameText.size() >= nameCapacity) {
        return false;
    }
    *std::copy(folderText.begin(), folderText.end(), folder) = u'\0';
    *std::copy(nameText.begin(), nameText.end(), name) = u'\0';
    return true;
}

bool IsMiniInstall(NModuleHandle module) {
    // Every folder that SplitModulePath accepts fits.
    char16_t folder[kLogPathUnits] = {};
    if (!GetModuleFolder(module, folder, kLogPathUnits)) {
        return false;
    }
    NString lowerFolder(folder);
    lowerFolder.MakeLower();
    NString marker(u"/Tessaro6_Mini");
    marker.MakeLower();
    return lowerFolder.Find(marker.GetText()) != NString::kNotFound;
}
