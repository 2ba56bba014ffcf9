// Deciding whether one java.exe is usable: where a JRE home keeps it, and its
// version (cached or probed) against the configured bounds.
#include "jre/probe.h"

#include <cstdio>
#include <cstring>

#include "launcher/base/config_keys.h"
#include "launcher/base/file_system.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/paths.h"
#include "launcher/base/scoped.h"
#include "payload/config.h"

namespace {

const char kBrokenRuntimeVersion[] = "1.0.0";

char g_newestRefused[kVersionCapacity] = "";

bool formatPath(char* out, size_t capacity, const char* home, const char* tail) {
    int n = std::snprintf(out, capacity, "%s%s", home, tail);
    return n >= 0 && static_cast<size_t>(n) < capacity;
}

// Absolute, normalised form of the candidate, relative to the launcher's
// directory; left as it is when the result would not fit.
void normalise(char* path) {
    char full[kPathCapacity];
    if (fullPath(path, kKeepCase, full, sizeof(full))) std::snprintf(path, kPathCapacity, "%s", full);
}

bool lastWriteTime(const char* path, FILETIME* lastWrite) {
    WIN32_FIND_DATAA entry;
    if (!ScopedFindHandle(FindFirstFileA(path, &entry)).valid()) return false;
    *lastWrite = entry.ftLastWriteTime;
    return true;
}

bool versionInRange(const char* version, const VersionNumber& min, const VersionNumber& max, bool allowBeta) {
    if (checkVersionRange(version, min, max, allowBeta)) return true;
    if (!g_newestRefused[0] || isNewerVersion(version, g_newestRefused))
        std::snprintf(g_newestRefused, sizeof(g_newestRefused), "%s", version);
    return false;
}

bool probedVersionInRange(const char* path, const FILETIME& lastWrite, char* version, const VersionNumber& min,
                          const VersionNumber& max, int options) {
    bool allowBeta = (options & kProbeAllowPreRelease) != 0;
    if ((options & kProbeUseCache) && lookupProbeCache(path, lastWrite, version, kVersionCapacity) &&
        std::strcmp(version, kBrokenRuntimeVersion) != 0) {
        logMessage(L"got version from registry %S", version);
        return versionInRange(version, min, max, allowBeta);
    }
    version[0] = '\0';
    if (runJavaVersion(path, lastWrite, version, kVersionCapacity)) {
        logMessage(L"got version from execution %S", version);
        storeProbeCache(path, lastWrite, version);
        return versionInRange(version, min, max, allowBeta);
    }
    logMessage(L"couldn't get version");
    return false;
}

// The GUI launcher kind starts its runtime through javaw.exe, which must sit
// beside the accepted java.exe.
bool switchToJavaw(char* path) {
    size_t n = std::strlen(path);
    if (n < 4 || n - 4 + 5 >= kPathCapacity) return false;
    std::snprintf(path + n - 4, kPathCapacity - (n - 4), "w.exe");
    return fileExists(path);
}

}  // namespace

const char* newestRefusedVersion() { return g_newestRefused; }

bool javaExeForHome(const char* home, char* javaExe, size_t capacity) {
    if (!formatPath(javaExe, capacity, home, "\\jre\\bin\\java.exe")) return false;
    if (getConfigInt(kKeyJdkRequired) != 0) {
        char tools[kPathCapacity];
        return formatPath(tools, sizeof(tools), home, "\\lib\\tools.jar") && fileExists(tools);
    }
    if (!fileExists(javaExe)) return formatPath(javaExe, capacity, home, "\\bin\\java.exe");
    return true;
}

bool checkJavaExe(char* path, char* version, const VersionNumber& min, const VersionNumber& max, int options) {
    logMessage(L"checkJavaExe (%S, [out], %d, %d, %d)", path, static_cast<int>(min.size()),
               static_cast<int>(max.size()), (options & kProbeAllowPreRelease) ? 1 : 0);
    normalise(path);
    bool result = false;
    FILETIME lastWrite;
    if (!lastWriteTime(path, &lastWrite)) {
        logMessage(L"file doesn't exist");
    } else {
        logMessage(L"file exists");
        version[0] = '\0';
        result = probedVersionInRange(path, lastWrite, version, min, max, options);
    }
    if (result && getConfigInt(kKeyLauncherKind) == 1) result = switchToJavaw(path);
    logMessage(L"checkJavaExe returning %d", result ? 1 : 0);
    return result;
}
