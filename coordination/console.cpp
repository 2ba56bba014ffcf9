// Console for "-console" and "-c": the parent's console when there is one,
// otherwise a new one.
#include "coordination/console.h"

#include <windows.h>

#include "launcher/base/log.h"
#include "launcher/base/proc_address.h"

namespace {

constexpr DWORD kParentProcess = static_cast<DWORD>(-1);

}  // namespace

bool attachOrAllocConsole() {
    typedef BOOL(WINAPI * AttachConsoleFunction)(DWORD);
    auto attach = procAddress<AttachConsoleFunction>(GetModuleHandleA("kernel32.dll"), "AttachConsole");
    if (attach) {
        // Access denied means the process has a console already.
        if (attach(kParentProcess) || GetLastError() == ERROR_ACCESS_DENIED) {
            logMessage(L"using the parent's console");
            return true;
        }
    }
    BOOL created = AllocConsole();
    logMessage(L"new console: %d", created ? 1 : 0);
    return true;
}
