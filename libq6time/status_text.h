#pragma once
// The text of each q6time_status, for q6time_strerror and q6ipc.

namespace NQ6Time {

// A short English text; "unknown status" for any other number.
const char* StatusText(int status);

}  // namespace NQ6Time
