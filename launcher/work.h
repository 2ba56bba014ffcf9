// The work routine: verify, extract, settle on a Java runtime, prepare it,
// start the JVM. Runs on the entry thread or on the progress dialog's worker.
#pragma once
#include <windows.h>

// Returns 0 after the JVM start returns; ends the process itself in
// extract-and-exit mode and on every failure.
int runWork(HWND dialog);
