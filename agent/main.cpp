#include "agent/startup.h"

// The agent reads its arguments from the process itself, not from main's.
int main() { return q6tsa::Main(q6tsa::kPublishPause); }
