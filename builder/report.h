// Exit codes of tlx-builder and its one-line error and warning messages.
#pragma once
#include <string>

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;    // a broken setup file, or writing the output failed
constexpr int kExitBadInput = 2;  // usage errors and bad input files

// Writes "tlx-builder: error: what" as one line on stderr; returns code.
int reportError(int code, const std::string& what);
void reportWarning(const std::string& what);
