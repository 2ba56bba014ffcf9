// The user points at a java.exe with the system's open-file dialog.
#pragma once
#include <windows.h>

// True when the chosen runtime passed the version bounds and its JVM library
// was loaded; it is then remembered in the located JVM list. On a refused
// choice the messages have been shown and false is returned.
bool selectJreManually(HWND owner);
