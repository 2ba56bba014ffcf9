// The visible top-level windows of a process: counting them, and bringing
// them to the front.
#pragma once
#include <windows.h>

// Makes every visible top-level window of the process the foreground window
// in turn (restoring minimised ones with kRestoreMinimised), then its last
// active pop-up.
enum MinimisedWindows { kLeaveMinimised, kRestoreMinimised };
void bringProcessToFront(DWORD processId, MinimisedWindows minimised);

// The visible top-level windows of the process, the launcher's own console
// window and a splash window not counted (neither is an installer window).
// Not for two threads at once.
int countVisibleWindows(DWORD processId);
