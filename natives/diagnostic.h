// The few diagnostic lines some natives print on the process's standard
// output (an installer run from a console shows them).
#pragma once

// printf-style, 8-bit; the line is cut at 511 characters and flushed at once.
void printDiagnostic(const char* format, ...);
