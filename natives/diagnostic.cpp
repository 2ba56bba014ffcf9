// Diagnostic lines on standard output.
#include "natives/diagnostic.h"

#include <cstdarg>
#include <cstdio>

void printDiagnostic(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    std::fputs(line, stdout);
    std::fflush(stdout);
}
