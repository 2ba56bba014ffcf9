// The visible top-level windows of a process.
#pragma once
#include <windows.h>

// Makes every visible top-level window of the process the foreground window
// in turn (restoring minimised ones with kRestoreMinimised), then its last
// active pop-up.
enum MinimisedWindows { kLeaveMinimised, kRestoreMinimised };
void bringProcessToFront(DWORD processId, MinimisedWindows minimised);
