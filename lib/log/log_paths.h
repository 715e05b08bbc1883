#pragma once
// Names of the log's folders and files.

#include <cstddef>
#include <optional>
#include <string>

// Capacity of folder and file names, in UTF-16 code units with the terminator.
constexpr size_t kLogPathUnits = 1024;

// The optional settings file beside the executable.
constexpr char16_t kPropertiesFileName[] = u"q6agent.properties";

namespace NLogPaths {

// $ALLUSERSPROFILE/Veltrix/Tessaro6, UTF-8. An unset or empty ALLUSERSPROFILE
// stands for /var/log.
std::string GetDefaultFolder();

// "<folder>/<name>"; nothing when it does not fit kLogPathUnits.
std::optional<std::u16string> JoinPath(const char16_t* folder, const char16_t* name);

// "<folder>/<module>.log", or "<folder>/Mini_<module>.log" for a Mini
// installation; nothing when it does not fit kLogPathUnits.
std::optional<std::u16string> MakeLogFileName(const char16_t* folder, const char16_t* moduleName,
                                              bool mini);

}  // namespace NLogPaths
