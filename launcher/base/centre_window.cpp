// Centring a dialog over its owner (or the desktop), as every launcher dialog opens.
#include "launcher/base/centre_window.h"

void centreWindow(HWND window) {
    HWND parent = GetParent(window);
    if (!parent) parent = GetDesktopWindow();
    RECT outer;
    RECT inner;
    if (!GetWindowRect(parent, &outer) || !GetWindowRect(window, &inner)) return;
    int width = inner.right - inner.left;
    int height = inner.bottom - inner.top;
    int left = outer.left + ((outer.right - outer.left) - width) / 2;
    int top = outer.top + ((outer.bottom - outer.top) - height) / 2;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
