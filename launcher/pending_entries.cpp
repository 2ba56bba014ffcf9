// Entries that start-up calls before their subsystems exist. Each only notes
// its call in the log; each goes away when the real function arrives.
#include <windows.h>

#include "coordination/instance.h"
#include "launcher/log.h"
#include "launcher/progress_dialog.h"
#include "launcher/work.h"

int runWork(HWND dialog) {
    logMessage(L"runWork: work routine not yet available (dialog %p)", dialog);
    return 0;
}

INT_PTR runProgressDialog(HINSTANCE, HWND) {
    logMessage(L"runProgressDialog: progress dialog not yet available");
    return 0;
}

void claimInstance() { logMessage(L"claimInstance: single-instance claim not yet available"); }

const char* instanceSemaphoreName() {
    logMessage(L"instanceSemaphoreName: single-instance claim not yet available");
    return "";
}
