// The per-process install-started value in Wine's real registry. The shared
// "InstallStarted" value is left to the process tests, which serialise on it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "coordination/install_markers.h"
#include "launcher/state.h"

namespace {

DWORD queryDirectly(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\morvane\\kavro", 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD value = 0, size = sizeof(value), type = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD ? value : 0;
}

TEST(InstallMarkers, PerProcessValueIsWrittenAndDeleted) {
    char name[64];
    std::snprintf(name, sizeof(name), "InstallStarted_%lu", GetCurrentProcessId());
    g_launcher.langRestart = false;
    setInstallMarkers(true, true, false);
    EXPECT_EQ(queryDirectly(name), 1u);
    EXPECT_EQ(readInstallMarker(true), 1u);
    setInstallMarkers(false, true, false);
    EXPECT_EQ(queryDirectly(name), 0u);
    EXPECT_EQ(readInstallMarker(true), 0u);
}

TEST(InstallMarkers, LanguageRestartTouchesNothing) {
    char name[64];
    std::snprintf(name, sizeof(name), "InstallStarted_%lu", GetCurrentProcessId());
    g_launcher.langRestart = true;
    setInstallMarkers(true, true, false);
    EXPECT_EQ(queryDirectly(name), 0u);
    g_launcher.langRestart = false;
    setInstallMarkers(true, true, false);
    g_launcher.langRestart = true;
    setInstallMarkers(false, true, false);
    EXPECT_EQ(queryDirectly(name), 1u) << "not deleted either";
    g_launcher.langRestart = false;
    setInstallMarkers(false, true, false);
    EXPECT_EQ(queryDirectly(name), 0u);
}

}  // namespace
