// Native splash through the chosen runtime's splashscreen.dll. The library
// imports java.dll from the runtime's bin directory, and java.dll imports
// jvm.dll from a directory below it: it loads only once jvm.dll is in the
// process (found there by name), which the work routine sees to, and when its
// own directory is searched for its imports.
#include "jvm/splash.h"

#include <windows.h>

#include <cstdio>

#include "jvm/jvm_state.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/log.h"
#include "launcher/base/proc_address.h"
#include "launcher/state.h"
#include "payload/config.h"

namespace {

typedef void(__cdecl* SplashInitFunction)();
typedef int(__cdecl* SplashLoadMemoryFunction)(void*, int);
typedef void(__cdecl* SplashCloseFunction)();

constexpr int kSplashImageResource = 10000;

bool g_shown = false;      // set once: the splash is never shown twice
volatile LONG g_open = 0;  // 1 while SplashClose is still to be called
SplashCloseFunction g_close = nullptr;

void showNativeSplash() {
    if (getConfigInt(kKeySplashThroughJre) == 0 || g_shown) return;
    HRSRC resource = FindResourceW(g_launcher.instance, MAKEINTRESOURCEW(kSplashImageResource), MAKEINTRESOURCEW(10));
    if (!resource) {
        logMessage(L"no splash image");
        return;
    }
    char path[kPathCapacity];
    std::snprintf(path, sizeof(path), "%s\\bin\\splashscreen.dll", g_jvm.home);
    logMessage(L"loading splashscreen dll from %S", path);
    // The runtime's bin directory, where java.dll lies, is searched for the
    // library's imports also on systems without the DLL directory calls (the
    // JVM loader adds it where they exist).
    HMODULE library = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) {
        logError(L"Could not load splashscreen.dll");
        return;
    }
    g_close = procAddress<SplashCloseFunction>(library, "SplashClose");
    auto init = procAddress<SplashInitFunction>(library, "SplashInit");
    auto load = procAddress<SplashLoadMemoryFunction>(library, "SplashLoadMemory");
    if (!g_close || !init || !load) {
        logError(L"Could not find functions in splashscreen.dll");
        return;
    }
    init();
    HGLOBAL loaded = LoadResource(g_launcher.instance, resource);
    void* data = loaded ? LockResource(loaded) : nullptr;
    int size = static_cast<int>(SizeofResource(g_launcher.instance, resource));
    int result = data ? load(data, size) : 0;
    logMessage(L"splash load memory returned %d (%p, %p, %d)", result, resource, data, size);
    g_shown = true;
    g_open = 1;
}

}  // namespace

void showSplash(int show) {
    if (show) {
        showNativeSplash();
    } else {
        closeSplash();
    }
}

void closeSplash() {
    if (InterlockedExchange(&g_open, 0) == 0) return;
    logMessage(L"closing splash");
    g_close();
}
