#pragma once
// The agent's own code with a short pause after each publication, for the
// tests that wait for its next cycle. Built as q6tsa_short_pause; the
// sandbox installs it under the agent's name.

#include <chrono>

namespace NShortPauseAgent {

constexpr std::chrono::milliseconds kPublishPause{1000};

}  // namespace NShortPauseAgent
