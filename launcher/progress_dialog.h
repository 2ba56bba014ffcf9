// The progress dialog (resource 103) and window centring.
#pragma once
#include <windows.h>

INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Centres a window on its parent, or on the desktop without one; no resizing.
void centreWindow(HWND window);
// Registers the "MyDialogClass" window class that resource 103 names.
void registerDialogClass(HINSTANCE instance);
// Runs the progress dialog modally on this thread; returns its end code.
INT_PTR runProgressDialog(HINSTANCE instance, HWND owner);
