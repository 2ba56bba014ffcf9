// The install-started registry values: "InstallStarted" tells other parties
// that some launcher is starting an installer, "InstallStarted_<pid>" lets
// the Java side of this process end the wait for its window.
#include "coordination/install_markers.h"

#include <cstdio>

#include "launcher/state.h"

namespace {

const char kMarkerKey[] = "SOFTWARE\\morvane\\kavro\\";
const char kGlobalName[] = "InstallStarted";

void perProcessName(char* out, size_t capacity) {
    std::snprintf(out, capacity, "%s_%d", kGlobalName, static_cast<int>(GetCurrentProcessId()));
}

void writeMarker(const char* name) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    DWORD one = 1;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
    RegCloseKey(key);
}

void deleteMarker(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

void applyMarker(bool set, const char* name) {
    if (set)
        writeMarker(name);
    else
        deleteMarker(name);
}

}  // namespace

void setInstallMarkers(bool set, bool perProcess, bool global) {
    if (g_launcher.langRestart) return;
    if (perProcess) {
        char name[64];
        perProcessName(name, sizeof(name));
        applyMarker(set, name);
    }
    if (global) applyMarker(set, kGlobalName);
}

DWORD readInstallMarker(bool perProcess) {
    char name[64];
    if (perProcess)
        perProcessName(name, sizeof(name));
    else
        std::snprintf(name, sizeof(name), "%s", kGlobalName);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(value) ? value : 0;
}
