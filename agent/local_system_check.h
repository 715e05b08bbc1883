#pragma once
// The account check of start-up: the agent runs only as Local System.

#include <cstdint>

#include "os/process_user.h"
#include "os/result.h"

// Writes the SID as text, S-<1>-<authority>[-<sub-authority>]..., into text.
// The authority is decimal unless one of its top two bytes is set, then 0x
// and 12 lower-case hex digits. *capacity (code units) must be at least
// 56 + 24 per sub-authority; if it is not, that figure is stored in
// *capacity, errno is set to ERANGE and nothing is written. 1 when written;
// 0 for a null argument, an invalid SID or a capacity too small.
int GetTextualSid(const NOs::NSid* sid, char16_t* text, uint32_t* capacity);

// Logs the process user's SID; 1 when it is Local System (S-1-5-18).
int isRunByLoaclSystem();

// The same for a given user SID; 0, and nothing logged, when the user could
// not be read.
int IsLocalSystemUser(const NOs::NResult<NOs::NSid>& userSid);
