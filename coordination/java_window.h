// The watcher thread that moves the progress bar until the Java installer's
// window is visible, then hides the progress dialog.
#pragma once
#include <windows.h>

DWORD WINAPI waitForJavaWindow(LPVOID dialog);
