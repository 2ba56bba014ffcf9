// Single-instance claim: the named semaphore derived from the executable's
// path, and the running instance's process id in the registry.
#pragma once
#include <windows.h>

#include <cstddef>

// Claims this run's semaphore; in single-instance mode a second run of the
// same executable brings the first one's windows forward (when configured)
// and ends the process with exit code 0.
void claimInstance();
// The semaphore name this run holds, or "" when none was claimed.
const char* instanceSemaphoreName();

// The executable's full 8-bit path, ASCII letters lowered (only when the path
// survives the round trip through UTF-16), backslash runs collapsed.
bool canonicalExecutablePath(char* out, size_t capacity);
// The current process id under the canonical path in the per-user registry.
void registerInstancePid();
// The registered process id, or 0 when there is none.
DWORD readInstancePid();
