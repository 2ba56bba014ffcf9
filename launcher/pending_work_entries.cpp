// PENDING: placeholder for the window watcher that the work routine calls but
// that is not part of this build yet.
// It logs its call and reports that nothing was found or done, so that the
// work routine takes its no-runtime branches. It is removed when the real
// function arrives; it is no implementation.
#include <windows.h>

#include "coordination/java_window.h"
#include "launcher/base/log.h"

DWORD WINAPI waitForJavaWindow(LPVOID) {
    logMessage(L"PENDING: waitForJavaWindow is not part of this build");
    return 0;
}
