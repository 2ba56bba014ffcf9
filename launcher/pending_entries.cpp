// Entries that start-up calls before their subsystems exist. Each only notes
// its call in the log; each goes away when the real function arrives.
#include <windows.h>

#include "coordination/instance.h"
#include "launcher/log.h"

void claimInstance() { logMessage(L"claimInstance: single-instance claim not yet available"); }

const char* instanceSemaphoreName() {
    logMessage(L"instanceSemaphoreName: single-instance claim not yet available");
    return "";
}
