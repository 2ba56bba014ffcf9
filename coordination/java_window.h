// The watcher thread that keeps the progress bar moving until the Java
// installer's window is visible (or its Java side says it is ready), then
// hides the progress dialog.
#pragma once
#include <windows.h>

// The thread routine; the parameter is the progress dialog. Returns 0, or
// ends the process with message 20014 when the installer gives no sign of
// life in time.
DWORD WINAPI waitForJavaWindow(LPVOID dialog);

// Runs on the watcher thread right after it has hidden the dialog: whatever
// else the launcher showed while the installer started goes with it. Set
// before the watcher starts.
void whenJavaWindowShown(void (*hook)());
