// The visible top-level windows of a process: counting them, and bringing
// them to the front.
#pragma once
#include <windows.h>

// Makes every visible top-level window of the process the foreground window
// in turn (restoring minimised ones with kRestoreMinimised), then its last
// active pop-up.
enum MinimisedWindows { kLeaveMinimised, kRestoreMinimised };
void bringProcessToFront(DWORD processId, MinimisedWindows minimised);

// The visible top-level windows of the process that can be the installer's:
// not the launcher's own console window, not a splash window, and neither
// the launcher's dialog nor anything it owns (its error boxes, the runtime
// choice). Not for two threads at once.
int countInstallerWindows(DWORD processId, HWND launcherDialog);
