// The visible top-level windows of a process.
#pragma once
#include <windows.h>

// Makes every visible top-level window of the process the foreground window
// in turn (restoring minimised ones when restore is set), then its last
// active pop-up.
void bringProcessToFront(DWORD processId, bool restore);
