#pragma once

// The user of an access token as a SID.

#include <windows.h>

#include "os/process_user.h"
#include "os/result.h"

namespace NOs {

// The token's user, copied as it is: a SID that Windows would find invalid
// stays invalid (IsValidSid). The reason when token is no token that can be
// queried.
NResult<NSid> GetTokenUserSid(HANDLE token);

}  // namespace NOs
