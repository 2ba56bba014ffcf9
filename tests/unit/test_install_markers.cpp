// The per-process install-started value in Wine's real registry. The shared
// "InstallStarted" value is left to the process tests, which serialise on it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "coordination/install_markers.h"
#include "launcher/state.h"

namespace {

std::string perProcessName() {
    char name[64];
    std::snprintf(name, sizeof(name), "InstallStarted_%lu", GetCurrentProcessId());
    return name;
}

DWORD queryDirectly(const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\morvane\\kavro", 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD value = 0, size = sizeof(value), type = 0;
    LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD ? value : 0;
}

TEST(InstallMarkers, PerProcessValueIsWrittenAndDeleted) {
    const std::string name = perProcessName();
    g_launcher.langRestart = false;
    writeInstallMarkers(kPerProcessMarker);
    EXPECT_EQ(queryDirectly(name), 1u);
    EXPECT_EQ(readInstallMarker(kPerProcessMarker), 1u);
    deleteInstallMarkers(kPerProcessMarker);
    EXPECT_EQ(queryDirectly(name), 0u);
    EXPECT_EQ(readInstallMarker(kPerProcessMarker), 0u);
}

TEST(InstallMarkers, LanguageRestartTouchesNothing) {
    const std::string name = perProcessName();
    g_launcher.langRestart = true;
    writeInstallMarkers(kPerProcessMarker);
    EXPECT_EQ(queryDirectly(name), 0u);
    g_launcher.langRestart = false;
    writeInstallMarkers(kPerProcessMarker);
    g_launcher.langRestart = true;
    deleteInstallMarkers(kPerProcessMarker);
    EXPECT_EQ(queryDirectly(name), 1u) << "not deleted either";
    g_launcher.langRestart = false;
    deleteInstallMarkers(kPerProcessMarker);
    EXPECT_EQ(queryDirectly(name), 0u);
}

}  // namespace
