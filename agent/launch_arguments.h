#pragma once
// The command line that the agent's starter hands over:
//   q6tsa <mode word> <launch identifier> "<YYYY-MM-DD hh:mm:ss>" <tick ms>

#include <vector>

#include "base/nstring.h"

namespace NLaunchArguments {

// The entries after the program's own, by position.
enum NEntry : size_t { kModeEntry = 1, kLaunchIdEntry = 2, kDateTimeEntry = 3, kTickEntry = 4 };
// Entries up to and including the tick must be present.
constexpr size_t kEntryCount = kTickEntry + 1;

constexpr char16_t kMiniModeWord[] = u"MINI";
constexpr char16_t kLaunchId[] = u"5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38";

// The process's command line, entry 0 being the program path.
std::vector<NString> Read();

// Code unit by code unit, both texts ending together.
bool IsExactly(const NString& entry, const char16_t* expected);

}  // namespace NLaunchArguments
