// Native splash through the chosen runtime's splashscreen.dll.
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

bool g_shown = false;
SplashCloseFunction g_close = nullptr;

void showNativeSplash() {
    if (getConfigInt(kKeySplashThroughJre) == 0 || g_shown) return;
    char path[kPathCapacity];
    std::snprintf(path, sizeof(path), "%s\\bin\\splashscreen.dll", g_jvm.home);
    logMessage(L"loading splashscreen dll from %S", path);
    HMODULE library = LoadLibraryA(path);
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
    HRSRC resource = FindResourceW(g_launcher.instance, MAKEINTRESOURCEW(kSplashImageResource), MAKEINTRESOURCEW(10));
    HGLOBAL loaded = resource ? LoadResource(g_launcher.instance, resource) : nullptr;
    void* data = loaded ? LockResource(loaded) : nullptr;
    int size = resource ? static_cast<int>(SizeofResource(g_launcher.instance, resource)) : 0;
    int result = data ? load(data, size) : 0;
    logMessage(L"splash load memory returned %d (%p, %p, %d)", result, resource, data, size);
    g_shown = true;
}

}  // namespace

void showSplash(int show) {
    if (show) {
        showNativeSplash();
    } else if (g_shown && g_close) {
        g_close();
    }
}
