// Location type Y: runtimes registered in the machine's JavaSoft keys and
// runtimes in the located JVM list, the newer of the two winning.
#include "jre/search.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "jre/probe.h"
#include "jre/registry_names.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/scoped.h"
#include "payload/config.h"

namespace {

struct JavaSoftKeys {
    const char* jdk;
    const char* jre;
};

const JavaSoftKeys kClassicKeys = {"SOFTWARE\\JavaSoft\\Java Development Kit",
                                   "SOFTWARE\\JavaSoft\\Java Runtime Environment"};
// Java 9 and later register under these names only.
const JavaSoftKeys kModernKeys = {"SOFTWARE\\JavaSoft\\JDK", "SOFTWARE\\JavaSoft\\JRE"};

constexpr size_t kCurrentVersionCapacity = 100;

struct Bounds {
    const VersionNumber& min;
    const VersionNumber& max;
};

// A REG_SZ value, always terminated inside the buffer; false when missing,
// unreadable or too long.
bool readString(HKEY key, const char* name, char* out, size_t capacity) {
    DWORD size = static_cast<DWORD>(capacity - 1);
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(out), &size) != ERROR_SUCCESS)
        return false;
    out[size] = '\0';
    return true;
}

bool readKeyString(const char* keyName, const char* name, char* out, size_t capacity) {
    ScopedRegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_READ, key.receive()) != ERROR_SUCCESS) return false;
    bool read = readString(key.get(), name, out, capacity);
    return read;
}

// The "CurrentVersion" of a JavaSoft key when it lies within the bounds, else "".
void currentVersionInRange(const char* keyName, char* version, const Bounds& bounds) {
    if (!readKeyString(keyName, "CurrentVersion", version, kCurrentVersionCapacity) ||
        !checkRegistryVersionRange(version, bounds.min, bounds.max))
        version[0] = '\0';
}

bool probeHome(const char* home, char* javaExe, char* version, const Bounds& bounds) {
    return javaExeForHome(home, javaExe, kPathCapacity) &&
           checkJavaExe(javaExe, version, bounds.min, bounds.max, kProbeUseCache);
}

bool probeVersionSubkey(const char* keyName, const char* subkey, char* javaExe, char* version, const Bounds& bounds) {
    char name[kPathCapacity];
    std::snprintf(name, sizeof(name), "%s\\%s", keyName, subkey);
    char home[kPathCapacity];
    return readKeyString(name, "JavaHome", home, sizeof(home)) && probeHome(home, javaExe, version, bounds);
}

bool currentVersionMethod(const JavaSoftKeys& keys, char* javaExe, char* version, const Bounds& bounds) {
    char jdkVersion[kCurrentVersionCapacity];
    char jreVersion[kCurrentVersionCapacity] = "";
    currentVersionInRange(keys.jdk, jdkVersion, bounds);
    if (getConfigInt(kKeyJdkRequired) == 0) currentVersionInRange(keys.jre, jreVersion, bounds);
    bool jdk = isNewerVersion(jdkVersion, jreVersion);
    const char* picked = jdk ? jdkVersion : jreVersion;
    // An empty version would name the JavaSoft key itself, not a runtime.
    if (!picked[0]) return false;
    return probeVersionSubkey(jdk ? keys.jdk : keys.jre, picked, javaExe, version, bounds);
}

std::vector<std::string> versionSubkeysInRange(HKEY key, const Bounds& bounds) {
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        LONG status = RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) break;
        if (checkRegistryVersionRange(name, bounds.min, bounds.max)) names.push_back(name);
    }
    // Plain byte order, not version order: visited from the end, 1.8.0_45 is
    // tried before 1.8.0_101.
    std::sort(names.begin(), names.end());
    return names;
}

bool subkeySearch(const char* keyName, char* javaExe, char* version, const Bounds& bounds) {
    ScopedRegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_READ, key.receive()) != ERROR_SUCCESS) return false;
    std::vector<std::string> names = versionSubkeysInRange(key.get(), bounds);
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        if (probeVersionSubkey(keyName, it->c_str(), javaExe, version, bounds)) return true;
    return false;
}

bool javaSoftKeysSearch(const JavaSoftKeys& keys, char* javaExe, char* version, const Bounds& bounds) {
    if (currentVersionMethod(keys, javaExe, version, bounds)) return true;
    if (getConfigInt(kKeyJdkRequired) == 0 && subkeySearch(keys.jre, javaExe, version, bounds)) return true;
    return subkeySearch(keys.jdk, javaExe, version, bounds);
}

bool javaSoftSearch(char* javaExe, char* version, const Bounds& bounds) {
    if (javaSoftKeysSearch(kClassicKeys, javaExe, version, bounds)) return true;
    logMessage(L"checking JavaSoft keys of Java 9 and later");
    return javaSoftKeysSearch(kModernKeys, javaExe, version, bounds);
}

bool locatedPathAllowed(const char* path) {
    return getConfigInt(kKeyLauncherJresOnly) == 0 || std::strstr(path, "tlx_jres");
}

// The newest usable entry of one root's list; the first of equal versions stays.
bool locatedSearchInRoot(HKEY root, char* javaExe, char* version, const Bounds& bounds) {
    ScopedRegistryKey key;
    if (RegOpenKeyExA(root, kLocatedJvmsKey, 0, KEY_READ, key.receive()) != ERROR_SUCCESS) return false;
    bool found = false;
    char name[kRegistryNameCapacity];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        LONG status = RegEnumKeyExA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) break;
        char candidate[kPathCapacity];
        char candidateVersion[kVersionCapacity];
        pathFromRegistryName(name, candidate, sizeof(candidate));
        if (!locatedPathAllowed(candidate)) continue;
        if (!checkJavaExe(candidate, candidateVersion, bounds.min, bounds.max, kProbeAllowPreRelease | kProbeUseCache))
            continue;
        if (found && !isNewerVersion(candidateVersion, version)) continue;
        std::snprintf(javaExe, kPathCapacity, "%s", candidate);
        std::snprintf(version, kVersionCapacity, "%s", candidateVersion);
        found = true;
    }
    return found;
}

bool locatedSearch(char* javaExe, char* version, const Bounds& bounds) {
    char userExe[kPathCapacity];
    char userVersion[kVersionCapacity];
    bool user = locatedSearchInRoot(HKEY_CURRENT_USER, userExe, userVersion, bounds);
    bool machine = locatedSearchInRoot(HKEY_LOCAL_MACHINE, javaExe, version, bounds);
    if (user && (!machine || isNewerVersion(userVersion, version))) {
        std::snprintf(javaExe, kPathCapacity, "%s", userExe);
        std::snprintf(version, kVersionCapacity, "%s", userVersion);
    }
    return user || machine;
}

}  // namespace

bool findRegisteredJre(char* javaExe, char* version, const VersionNumber& min, const VersionNumber& max) {
    Bounds bounds{min, max};
    char sunExe[kPathCapacity];
    char sunVersion[kVersionCapacity];
    bool sun = getConfigInt(kKeyLauncherJresOnly) == 0 && javaSoftSearch(sunExe, sunVersion, bounds);
    if (sun) logMessage(L"found sun %S %S", sunExe, sunVersion);
    bool located = locatedSearch(javaExe, version, bounds);
    if (located) logMessage(L"found located %S %S", javaExe, version);
    if (sun && (!located || isNewerVersion(sunVersion, version))) {
        std::snprintf(javaExe, kPathCapacity, "%s", sunExe);
        std::snprintf(version, kVersionCapacity, "%s", sunVersion);
    }
    return sun || located;
}
