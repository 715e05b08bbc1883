#include "e2e/short_pause_agent.h"

#include "agent/startup.h"

int main() { return q6tsa::Main(NShortPauseAgent::kPublishPause); }
