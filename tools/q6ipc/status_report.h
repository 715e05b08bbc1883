#pragma once
// A publication status as `q6ipc status` prints it: labelled lines for
// people, or one JSON object for programs.

#include <string>

#include "tools/q6ipc/publication_status.h"

namespace NQ6Ipc {

// "verdict:", "slot:", "agent:", then "record:", "age:" and "server time:"
// as far as they are known; one line each.
std::string StatusText(const NPublicationStatus& status);

// One line: an object with the members verdict, reason, slot, record, ageMs,
// serverTime, limitMs and agentRunning, null where a value is not known.
std::string StatusJson(const NPublicationStatus& status);

}  // namespace NQ6Ipc
