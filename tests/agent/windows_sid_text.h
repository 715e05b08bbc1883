#pragma once
// The text that Windows' own ConvertSidToStringSidW gives a SID: the Windows
// build's reference for the agent's SID text (windows_sid_text.cpp, built
// only there).

#include <optional>
#include <string>

#include "os/process_user.h"

// Nothing when Windows cannot make the SID or its text.
std::optional<std::u16string> WindowsSidText(const NOs::NSid& sid);
