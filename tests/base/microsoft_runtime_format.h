#pragma once
// What the Microsoft C runtime's _snwprintf (msvcrt.dll) writes for a format
// and its arguments: the Windows build's reference for NFormat
// (microsoft_runtime_format.cpp, built only there).

#include <string>
#include <vector>

#include "base/format.h"

// At most six arguments; "<no msvcrt>" when the runtime cannot be loaded.
std::u16string MicrosoftRuntimeFormat(const char16_t* format,
                                      const std::vector<NFormat::NArg>& args);
