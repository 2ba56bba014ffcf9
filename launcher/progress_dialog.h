// The progress dialog (resource 103): its procedure, its worker thread, the
// progress bar, and window centring.
#pragma once
#include <windows.h>

INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Centres a window on its parent, or on the desktop without one; no resizing.
void centreWindow(HWND window);
// Registers the "MyDialogClass" window class that resource 103 names.
void registerDialogClass(HINSTANCE instance);
// What the dialog's worker thread runs, given the dialog.
typedef void (*DialogWork)(HWND dialog);
// Runs the progress dialog modally on this thread; its initialisation starts
// a worker thread that runs work. Returns the dialog's end code. The first
// call loads the common controls and registers the dialog class.
INT_PTR runProgressDialog(HINSTANCE instance, HWND owner, DialogWork work);
// True once the user has cancelled a progress dialog (Cancel or Escape).
bool progressDialogCancelled();
// Called by the work routine between steps: once the dialog is cancelled the
// process is on its way out, and the work must neither go on writing files
// nor set the install-started values again that Cancel has just cleared, so
// the calling thread ends here.
void stopWorkIfCancelled();

// The dialog's progress bar (control 1001); nothing happens without a dialog.
void setProgressRange(HWND dialog, int low, int high);
void setProgressPosition(HWND dialog, int position);
