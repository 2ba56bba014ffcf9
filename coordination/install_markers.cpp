// The install-started registry values: "InstallStarted" tells other parties
// that some launcher is starting an installer, "InstallStarted_<pid>" lets
// the Java side of this process end the wait for its window.
#include "coordination/install_markers.h"

#include <cstdio>

#include "launcher/base/scoped.h"
#include "launcher/state.h"

namespace {

const char kMarkerKey[] = "SOFTWARE\\morvane\\kavro\\";
const char kGlobalName[] = "InstallStarted";

// The values this process has ever written, which only it can clear: one
// written anew by the Java side after a delete here is still its business.
volatile LONG g_written = 0;

void perProcessName(char* out, size_t capacity) {
    std::snprintf(out, capacity, "%s_%d", kGlobalName, static_cast<int>(GetCurrentProcessId()));
}

void writeMarker(const char* name) {
    ScopedRegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.receive(),
                        nullptr) != ERROR_SUCCESS)
        return;
    DWORD one = 1;
    RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
}

void deleteMarker(const char* name) {
    ScopedRegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, KEY_ALL_ACCESS, key.receive()) != ERROR_SUCCESS) return;
    RegDeleteValueA(key.get(), name);
}

void applyMarkers(int markers, void (*apply)(const char* name)) {
    if (g_launcher.langRestart) return;
    if (markers & kPerProcessMarker) {
        char name[64];
        perProcessName(name, sizeof(name));
        apply(name);
    }
    if (markers & kGlobalMarker) apply(kGlobalName);
}

}  // namespace

void writeInstallMarkers(int markers) {
    InterlockedOr(&g_written, markers);
    applyMarkers(markers, writeMarker);
}

void deleteInstallMarkers(int markers) { applyMarkers(markers, deleteMarker); }

void clearOwnInstallMarkers() { deleteInstallMarkers(InterlockedCompareExchange(&g_written, 0, 0)); }

DWORD readInstallMarker(InstallMarker marker) {
    char name[64];
    if (marker == kPerProcessMarker) perProcessName(name, sizeof(name));
    else std::snprintf(name, sizeof(name), "%s", kGlobalName);
    ScopedRegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, KEY_READ, key.receive()) != ERROR_SUCCESS) return 0;
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    LONG status = RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(value) ? value : 0;
}
