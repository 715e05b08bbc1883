#include "os/process_user.h"

#include <unistd.h>

namespace NOs {

NResult<NSid> GetProcessUserSid() { return GetUserSid(::geteuid()); }

}  // namespace NOs
