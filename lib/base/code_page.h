#pragma once
// The code pages of the text conversions (text_convert.h), under their
// Windows names and numbers. windows.h defines the same names as macros, so a
// file that includes it takes Windows' own and leaves this header out.

#include <cstdint>

namespace NWin {

constexpr uint32_t CP_ACP = 0;  // the system's ANSI code page (UTF-8 on Linux)
constexpr uint32_t CP_UTF8 = 65001;

}  // namespace NWin
