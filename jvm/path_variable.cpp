// Reading and setting PATH without a length limit, so that a value restored
// after a failed attempt is exactly the value from before.
#include "jvm/path_variable.h"

#include <windows.h>

#include <cstdlib>

#include "launcher/base/log.h"

PathVariable readPathVariable() {
    PathVariable path;
    DWORD needed = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (needed == 0) return path;
    std::string buffer(needed, '\0');
    DWORD n = GetEnvironmentVariableA("PATH", &buffer[0], needed);
    if (n == 0 || n >= needed) return path;
    buffer.resize(n);
    path.present = true;
    path.value = buffer;
    return path;
}

void setPathVariable(const PathVariable& path, const wchar_t* label) {
    BOOL set = SetEnvironmentVariableA("PATH", path.present ? path.value.c_str() : nullptr);
    if (set) logMessage(L"%s %S", label, path.value.c_str());
    else logMessage(L"%s %S failed with error %d", label, path.value.c_str(), static_cast<int>(GetLastError()));
    std::string assignment = "PATH=" + path.value;
    _putenv(assignment.c_str());
}
