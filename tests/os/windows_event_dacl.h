#pragma once
// Whether the named event's security descriptor carries a null DACL, as
// Windows reports it (windows_event_dacl.cpp, built only on the Windows
// build). Nothing when the event or its descriptor cannot be read.

#include <optional>
#include <string>

std::optional<bool> HasNullDacl(const std::u16string& kernelName);
