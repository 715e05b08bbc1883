#pragma once
// The SID that stands for a Linux account (process_user.h): uid 0 is Local
// System, S-1-5-18; any other uid N the Unix-user SID S-1-22-1-N.

#include <cstdint>

#include "os/process_user.h"

namespace NOs {

NSid GetUserSid(uint32_t uid);

}  // namespace NOs
