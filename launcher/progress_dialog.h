// The progress dialog (resource 103): its procedure, its worker thread and the
// progress bar (centring: launcher/base/centre_window.h).
#pragma once
#include <windows.h>

INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Registers the "MyDialogClass" window class that resource 103 names.
void registerDialogClass(HINSTANCE instance);
// What the dialog's worker thread runs, given the dialog.
typedef void (*DialogWork)(HWND dialog);
// Runs the progress dialog modally on this thread; its initialisation starts
// a worker thread that runs work. Returns the dialog's end code. The first
// call loads the common controls and registers the dialog class. A dialog
// that cannot be shown (no display, no template) is a fatal error: the work
// would otherwise never run and the start would end as a success.
INT_PTR runProgressDialog(HINSTANCE instance, HWND owner, DialogWork work);
// Called by the worker when its work is done: the dialog closes and
// runProgressDialog returns on the dialog's thread.
void closeProgressDialog(HWND dialog);
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
