// Single-instance claim: the named semaphore derived from the executable's
// path, and the running instance's process id in the registry.
#pragma once

void claimInstance();
// The semaphore name set by claimInstance, or "" when none was claimed.
const char* instanceSemaphoreName();
