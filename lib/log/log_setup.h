#pragma once
// The log set-up: the folder and name of the log file, the optional settings
// of q6agent.properties, and one file appender on the category named after
// the executable. It runs once, before anything logs.

#include <cstdint>

#include "base/module_path.h"

// Capacity of g_wszModuleName in UTF-16 code units, terminator included.
constexpr uint32_t kModuleNameUnits = 128;

// The module's file name (UTF-16), filled by InitLog.
extern char16_t g_wszModuleName[kModuleNameUnits];
// True when the module's folder marks a Mini installation; independent of
// the "MINI" argument.
extern bool g_bMiniInstall;

// Sets up the log for the module (null: the running executable). Any failure,
// a name that does not fit its buffer included, leaves logging off. A second
// call after a successful one does nothing.
void InitLog(NModuleHandle module);

// The folder (without the last '/') and the file name of the module's file.
// False, with both buffers untouched, when the name cannot be read or a part
// and its terminator do not fit its capacity.
bool SplitModulePath(NModuleHandle module, char16_t* folder, uint32_t folderCapacity,
                     char16_t* name, uint32_t nameCapacity);

// True when the module's folder, lower-cased, contains "/tessaro6_mini".
bool IsMiniInstall(NModuleHandle module);
