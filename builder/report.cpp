// The builder's messages on standard error.
#include "builder/report.h"

#include <cstdio>

int reportError(int code, const std::string& what) {
    std::fprintf(stderr, "tlx-builder: error: %s\n", what.c_str());
    return code;
}

void reportWarning(const std::string& what) { std::fprintf(stderr, "tlx-builder: warning: %s\n", what.c_str()); }
