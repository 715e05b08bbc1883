#pragma once
// Process environment.

#include <optional>
#include <string>

namespace NOs {

// The variable's value, or nothing when it is unset.
std::optional<std::string> GetEnvironment(const char* name);

}  // namespace NOs
