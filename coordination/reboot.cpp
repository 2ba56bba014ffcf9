// Restarting Windows with the shutdown privilege, and the reboot mode.
#include "coordination/reboot.h"

#include <windows.h>

#include "launcher/base/log.h"
#include "launcher/base/scoped.h"

bool restartWindows() {
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.receive())) return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool granted = false;
    if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
        AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
        // AdjustTokenPrivileges succeeds even when the privilege is not held;
        // only a clean last error means it really was enabled.
        granted = GetLastError() == ERROR_SUCCESS;
    }
    token.close();
    return granted && ExitWindowsEx(EWX_REBOOT, 0);
}

void rebootMachine() {
    // The installer that asked for the restart gets time to end first.
    logMessage(L"reboot mode: restarting Windows in 5 seconds");
    Sleep(5000);
    if (restartWindows()) logMessage(L"reboot requested");
    else logMessage(L"reboot not possible (%d)", static_cast<int>(GetLastError()));
}
