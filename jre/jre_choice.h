// Obtaining a runtime when none was found: the choice between downloading
// one and locating one by hand (dialog 104), or the download at once.
#pragma once
#include <windows.h>

// Returns 0. After a download the work routine's "JRE included" flag is set;
// after a successful Locate a JVM library is loaded. Cancel ends the process.
int offerJreChoice(HWND dialog);
