#include "os/process_user.h"

#include <unistd.h>

#include "os/linux/user_sid.h"

namespace NOs {

NResult<NSid> GetProcessUserSid() { return GetUserSid(::geteuid()); }

}  // namespace NOs
