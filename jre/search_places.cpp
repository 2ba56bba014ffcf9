// The places of the search that name one runtime each: a JRE home directory,
// an environment variable holding one, and java.exe on the system search path.
#include "jre/search.h"

#include <windows.h>

#include <cstdio>

#include "jre/pack200.h"
#include "jre/probe.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/paths.h"

bool testDirectoryLocation(char* javaExe, char* version, const char* home, const VersionNumber& min,
                           const VersionNumber& max, HomeTest test) {
    char full[kPathCapacity];
    if (!fullPath(home, kKeepCase, full, sizeof(full))) std::snprintf(full, sizeof(full), "%s", home);
    // Empty until the included-runtime work provides it; a runtime directory
    // may hold jars that are still packed and must be restored before use.
    unpackJreDirectory(full);
    bool derived = javaExeForHome(full, javaExe, kPathCapacity);
    if (test == HomeTest::kDeriveOnly) return true;
    return derived && checkJavaExe(javaExe, version, min, max, kProbeAllowPreRelease | kProbeUseCache);
}

bool testEnvironmentLocation(char* javaExe, char* version, const char* variable, const VersionNumber& min,
                             const VersionNumber& max) {
    logMessage(L"Checking environment variable %S", variable);
    char home[kPathCapacity];
    DWORD n = GetEnvironmentVariableA(variable, home, sizeof(home));
    if (n == 0 || n >= sizeof(home)) return false;
    for (char* p = home; *p; ++p)
        if (*p == '/') *p = '\\';
    return javaExeForHome(home, javaExe, kPathCapacity) && checkJavaExe(javaExe, version, min, max, kProbeUseCache);
}

bool testSystemPath(char* javaExe, char* version, const VersionNumber& min, const VersionNumber& max) {
    DWORD n = SearchPathA(nullptr, "java.exe", nullptr, static_cast<DWORD>(kPathCapacity), javaExe, nullptr);
    if (n == 0 || n >= kPathCapacity) return false;
    return checkJavaExe(javaExe, version, min, max, kProbeUseCache);
}
