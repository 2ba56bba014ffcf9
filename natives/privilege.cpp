// Privileges of the process token.
#include "natives/privilege.h"

#include <windows.h>

#include "launcher/base/scoped.h"

bool switchPrivilege(const wchar_t* name, PrivilegeState state) {
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.receive())) return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = state == PrivilegeState::kEnabled ? SE_PRIVILEGE_ENABLED : 0;
    if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) return false;
    // AdjustTokenPrivileges reports success even when it could not assign the
    // privilege; only the last error tells.
    SetLastError(ERROR_SUCCESS);
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    return GetLastError() == ERROR_SUCCESS;
}
