#pragma once
// The standard streams of a program that has no console, as the agent is on
// Windows.

namespace NOs {

// Points standard input, output and error at nothing: whatever a library
// prints (log4cpp does when it prunes old logs) goes nowhere, and a starter
// that closed its end of a pipe cannot end the process. A stream that cannot
// be moved stays as it is.
void DetachStandardStreams();

}  // namespace NOs
