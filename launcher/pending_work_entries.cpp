// PENDING: placeholders for the JRE choice and the
// window watcher that the work routine calls but that are not part of this build yet.
// Each logs its call and reports that nothing was found or done, so that the
// work routine takes its no-runtime branches. They are removed one by one as
// the real functions arrive; none of them is an implementation.
#include <windows.h>

#include "coordination/java_window.h"
#include "jre/jre_choice.h"
#include "launcher/base/log.h"

int offerJreChoice(HWND) {
    logMessage(L"PENDING: offerJreChoice is not part of this build; no runtime chosen");
    return 0;
}

DWORD WINAPI waitForJavaWindow(LPVOID) {
    logMessage(L"PENDING: waitForJavaWindow is not part of this build");
    return 0;
}
