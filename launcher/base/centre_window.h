// Placing the launcher's dialogs: centred on their parent, or on the desktop.
#pragma once
#include <windows.h>

// Centres a window on its parent, or on the desktop without one; no resizing.
void centreWindow(HWND window);
