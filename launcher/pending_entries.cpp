// Entries that start-up calls before their subsystems exist. Each only notes
// its call in the log; each goes away when the real function arrives.
#include <windows.h>

#include "jvm/native_path.h"
#include "launcher/log.h"

void loadCommonControls() { logMessage(L"loadCommonControls: not yet available"); }
