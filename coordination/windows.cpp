// The visible top-level windows of a process: counted for the wait for the
// installer's window, brought to the front for a second start.
#include "coordination/windows.h"

#include <cstdio>
#include <cstring>

#include "launcher/base/config_keys.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "payload/config.h"

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

// Windows reports a console window as a window of the process attached to the
// console, yet it is no installer window. Only its title tells it apart, so
// it is found by a title that only this run can give it; once per process,
// since the changed title shows for 40 ms.
enum ConsoleLookup { kConsoleNotLookedUp, kConsoleLookedUp };
ConsoleLookup g_consoleLookup = kConsoleNotLookedUp;
HWND g_ownConsole = nullptr;

HWND ownConsoleWindow() {
    if (g_consoleLookup == kConsoleLookedUp) return g_ownConsole;
    g_consoleLookup = kConsoleLookedUp;
    // A GUI launcher (kind 1) has no console of its own to leave out.
    if (getConfigInt(kKeyLauncherKind) == 1) return nullptr;
    static char previous[kPathCapacity];
    if (GetConsoleTitleA(previous, sizeof(previous)) == 0) return nullptr;
    char unique[64];
    std::snprintf(unique, sizeof(unique), "%d/%d", static_cast<int>(GetTickCount()),
                  static_cast<int>(GetCurrentProcessId()));
    if (!SetConsoleTitleA(unique)) return nullptr;
    // The console host renames its window asynchronously.
    Sleep(40);
    g_ownConsole = FindWindowA(nullptr, unique);
    SetConsoleTitleA(previous);
    return g_ownConsole;
}

struct WindowCount {
    DWORD processId;
    HWND console;
    HWND dialog;
    int count;
};

// The splash of the runtime's splash library stands in for the installer
// while it starts; counted as the installer's window it would take the
// progress dialog, and itself with it, away the moment it shows.
bool isSplashWindow(HWND window) {
    char name[16];
    return GetClassNameA(window, name, sizeof(name)) > 0 && std::strcmp(name, "JavaSplash") == 0;
}

// The dialog, or a window owned by it directly or through other windows.
bool belongsToDialog(HWND window, HWND dialog) {
    for (int depth = 0; window && depth < 16; ++depth, window = GetWindow(window, GW_OWNER))
        if (window == dialog) return true;
    return false;
}

BOOL CALLBACK countWindow(HWND window, LPARAM context) {
    WindowCount& counting = *reinterpret_cast<WindowCount*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == counting.processId && window != counting.console && IsWindowVisible(window) &&
        !isSplashWindow(window) && !belongsToDialog(window, counting.dialog))
        ++counting.count;
    return TRUE;
}

}  // namespace

int countInstallerWindows(DWORD processId, HWND launcherDialog) {
    WindowCount counting{processId, ownConsoleWindow(), launcherDialog, 0};
    EnumWindows(countWindow, reinterpret_cast<LPARAM>(&counting));
    return counting.count;
}

void bringProcessToFront(DWORD processId, MinimisedWindows minimised) {
    FrontRequest request{processId, minimised == kRestoreMinimised};
    EnumWindows(bringWindowToFront, reinterpret_cast<LPARAM>(&request));
}
