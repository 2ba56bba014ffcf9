// Runtimes left by earlier installations of the same application: the
// installations value lists their directories, each may hold a "jre".
#include "jre/search.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "jre/probe.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/limits.h"
#include "launcher/base/list_items.h"
#include "launcher/base/log.h"
#include "launcher/base/scoped.h"
#include "payload/config.h"

namespace {

const char kInstallationsKey[] = "SOFTWARE\\morvane\\tolvanrix\\installations";
// A 64-bit launcher also looks at what 32-bit installers wrote, and the other way round.
constexpr REGSAM kViews[] = {0, 0x200 /* KEY_WOW64_32KEY */};

bool readInstallations(HKEY root, REGSAM view, const char* appId, char* list) {
    ScopedRegistryKey key;
    LONG status = RegOpenKeyExA(root, kInstallationsKey, 0, KEY_READ | view, key.receive());
    if (status != ERROR_SUCCESS) {
        logMessage(L"could not open installation node %d", static_cast<int>(status));
        return false;
    }
    DWORD size = static_cast<DWORD>(kPathCapacity - 1);
    bool read =
        RegQueryValueExA(key.get(), appId, nullptr, nullptr, reinterpret_cast<BYTE*>(list), &size) == ERROR_SUCCESS;
    if (read) list[size] = '\0';
    if (!read || !list[0]) {
        logMessage(L"could not query value node %d", 0);
        return false;
    }
    return true;
}

bool probeInstallations(const char* list, char* javaExe, char* version, const VersionNumber& min,
                        const VersionNumber& max) {
    logMessage(L"found installations: %S", list);
    const char* cursor = list;
    char directory[kPathCapacity];
    while (nextListItem(&cursor, ';', directory, sizeof(directory))) {
        char home[kPathCapacity];
        std::snprintf(home, sizeof(home), "%s\\jre", directory);
        if (!javaExeForHome(home, javaExe, kPathCapacity)) {
            logMessage(L"did not find java in %S", home);
        } else if (!checkJavaExe(javaExe, version, min, max, kProbeUseCache)) {
            logMessage(L"java version did not match in %S", home);
        } else {
            return true;
        }
    }
    return false;
}

}  // namespace

bool findPreviousInstallationJre(HKEY root, char* javaExe, char* version, const VersionNumber& min,
                                 const VersionNumber& max) {
    char appId[kPathCapacity];
    getConfigString(kKeyInstallationsValue, appId, sizeof(appId));
    for (REGSAM view : kViews) {
        logMessage(L"checking app id %S (%d, %p)", appId, static_cast<int>(view), root);
        if (!appId[0]) return false;
        char list[kPathCapacity];
        if (readInstallations(root, view, appId, list) && probeInstallations(list, javaExe, version, min, max))
            return true;
    }
    return false;
}
