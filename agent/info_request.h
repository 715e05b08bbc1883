#pragma once
// What the agent answers about itself: "--help" or "--version" as its only
// argument print the usage or the version on standard output, before
// anything is set up or logged. A starter always passes four arguments, so
// no start takes this way.

#include <optional>
#include <string>
#include <vector>

namespace q6tsa {

// The text to print for these arguments (after the program path), or nothing
// when they are no question but a start.
std::optional<std::string> AnswerInfoRequest(const std::vector<std::string>& arguments);

}  // namespace q6tsa
