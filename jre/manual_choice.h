// The user points at a java.exe with the system's open-file dialog.
#pragma once
#include <windows.h>

// True when the chosen runtime passed the version bounds and its JVM library
// was loaded; it is then remembered in the located JVM list. On a refused
// choice the reason has been shown and false is returned.
bool selectJreManually(HWND owner);

// Appends what was wanted and found, as far as it is configured and known:
// " (minimum version 1.8, maximum version 17, found 1.6.0_45)". found may be
// empty; a label without a text leaves its part out. text: kMessageCapacity.
void appendVersionFacts(wchar_t* text, const char* found);
