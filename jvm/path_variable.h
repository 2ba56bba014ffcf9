// PATH of the process, read whole and set in both copies of the environment
// (the process block, which child processes and the JVM see, and the C
// runtime's copy, which getenv reads).
#pragma once
#include <string>

struct PathVariable {
    bool present = false;
    std::string value;
};

PathVariable readPathVariable();
// Sets (or, when not present, removes) PATH; logs "<label> <value>" or
// "<label> <value> failed with error <code>".
void setPathVariable(const PathVariable& path, const wchar_t* label);
