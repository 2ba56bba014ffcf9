// DLL search directories and PATH for the JVM and the configured native
// library directories; the common controls from the system directory.
#pragma once
#include <cstdint>

// A cookie from AddDllDirectory, or 0 when the facility is missing or failed.
void* addLauncherDllDirectory(const char* directory);
void removeLauncherDllDirectory(void* cookie);
void setupNativeLibraryPath();
void loadCommonControls();
