// The "MyDialogClass" window class that the progress dialog template names;
// registered before that template is created.
#include <windows.h>

#include "launcher/progress_dialog.h"
#include "resources/resource_ids.h"

void registerDialogClass(HINSTANCE instance) {
    WNDCLASSW windowClass = {};
    windowClass.style = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
    windowClass.lpfnWndProc = DefDlgProcW;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LAUNCHER));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = L"MyDialogClass";
    // A class that is already registered (or cannot be) leaves the dialog to
    // fail on its own; nothing here can do better.
    RegisterClassW(&windowClass);
}
