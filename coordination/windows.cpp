// Bringing another process's windows to the front.
#include "coordination/windows.h"

#include "launcher/base/log.h"

namespace {

struct FrontRequest {
    DWORD processId;
    bool restore;
};

BOOL CALLBACK bringWindowToFront(HWND window, LPARAM context) {
    const FrontRequest& request = *reinterpret_cast<const FrontRequest*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != request.processId || !IsWindowVisible(window)) return TRUE;
    logMessage(L"found window %p", window);
    if (request.restore && IsIconic(window)) {
        logMessage(L"restore");
        ShowWindow(window, SW_RESTORE);
    }
    logMessage(L"foreground");
    SetForegroundWindow(window);
    logMessage(L"popup");
    SetForegroundWindow(GetLastActivePopup(window));
    logMessage(L"done");
    return TRUE;
}

}  // namespace

void bringProcessToFront(DWORD processId, MinimisedWindows minimised) {
    FrontRequest request{processId, minimised == kRestoreMinimised};
    EnumWindows(bringWindowToFront, reinterpret_cast<LPARAM>(&request));
}
