// Native splash through the chosen runtime's splashscreen.dll. The library
// imports java.dll from the runtime's bin directory, and java.dll imports
// jvm.dll from a directory below it: it loads only once jvm.dll is in the
// process (found there by name) and when its own directory is searched for
// its imports.
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
constexpr DWORD kSearchDllLoadDir = 0x100;       // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
constexpr DWORD kSearchDefaultDirs = 0x1000;     // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS

bool g_shown = false;            // set once: the splash is never shown twice
volatile LONG g_open = 0;        // 1 while SplashClose is still to be called
SplashCloseFunction g_close = nullptr;

// Where the DLL search is restricted to the default directories, only the
// explicit search flags add the library's own directory; older systems
// without them take the altered search path.
HMODULE loadSplashLibrary(const char* path) {
    HMODULE library = LoadLibraryExA(path, nullptr, kSearchDllLoadDir | kSearchDefaultDirs);
    if (!library) library = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return library;
}

HRSRC splashImage() {
    return FindResourceW(g_launcher.instance, MAKEINTRESOURCEW(kSplashImageResource), MAKEINTRESOURCEW(10));
}

void showNativeSplash() {
    if (getConfigInt(kKeySplashThroughJre) == 0 || g_shown) return;
    if (!splashImage()) {
        logMessage(L"no splash image in the executable");
        return;
    }
    if (!g_jvm.library) {
        logError(L"splash needs the runtime's jvm.dll loaded first");
        return;
    }
    char path[kPathCapacity];
    std::snprintf(path, sizeof(path), "%s\\bin\\splashscreen.dll", g_jvm.home);
    logMessage(L"loading splashscreen dll from %S", path);
    HMODULE library = loadSplashLibrary(path);
    if (!library) {
        DWORD error = GetLastError();
        logError(L"Could not load splashscreen.dll");
        logMessage(L"Failed with error code %d", static_cast<int>(error));
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
    HRSRC resource = splashImage();
    HGLOBAL loaded = resource ? LoadResource(g_launcher.instance, resource) : nullptr;
    void* data = loaded ? LockResource(loaded) : nullptr;
    int size = resource ? static_cast<int>(SizeofResource(g_launcher.instance, resource)) : 0;
    int result = data ? load(data, size) : 0;
    logMessage(L"splash load memory returned %d (%p, %p, %d)", result, resource, data, size);
    g_shown = true;
    InterlockedExchange(&g_open, 1);
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
