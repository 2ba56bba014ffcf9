// Start-up: hardening of the DLL search, the special modes selected by the
// first argument, the switches, the configuration, and the run style.
#include "launcher/startup.h"

#include <cstring>

#include "coordination/instance.h"
#include "coordination/reboot.h"
#include "deferred_delete/deferred_delete.h"
#include "launcher/base/arguments.h"
#include "launcher/base/log.h"
#include "launcher/base/proc_address.h"
#include "launcher/base/text_match.h"
#include "launcher/run_style.h"
#include "launcher/startup_switches.h"
#include "launcher/state.h"
#include "launcher/switch_scan.h"

namespace {

constexpr DWORD kSystemAndUserDirectories = 0xC00;

// Libraries are then found only in the system directory and in directories
// added on purpose, never beside the executable (a download folder). Windows
// Vista (6.0) is left alone.
void restrictDllSearch() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version)) return;
    if (version.dwMajorVersion == 6 && version.dwMinorVersion == 0) return;
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
    auto restrict = procAddress<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories");
    if (!restrict) return;
    restrict(kSystemAndUserDirectories);
    logMessage(L"restrict DLL directories");
}

// Loaded by name before anything else can plant a copy for a later, implicit load.
void preloadSystemLibraries() {
    static bool done = false;
    if (done) return;
    done = true;
    LoadLibraryW(L"davhlpr.dll");
    LoadLibraryW(L"fwbase.dll");
}

}  // namespace

int runLauncher(HINSTANCE instance, const char* commandLine, int showWindow) {
    const char* line = commandLine ? commandLine : "";
    restrictDllSearch();
    preloadSystemLibraries();
    if (line[0] != '\0' && std::strcmp(line, "__tlx_reboot") == 0) {
        rebootMachine();
        return 0;
    }
    g_launcher.quiet = false;
    if (startsWith(line, "__tlx_lang_restart")) {
        logMessage(L"language restart");
        g_launcher.langRestart = true;
        g_launcher.quiet = true;
    }
    if (startsWith(line, "__tlx_extract_and_exit")) {
        logMessage(L"extract and exit mode");
        g_launcher.extractAndExit = true;
    }

    ArgumentList arguments;
    splitCommandLine(GetCommandLineW(), arguments);
    if (startsWith(line, "__tlx_windel") && arguments.count() >= 3) {
        int result = runDeferredDeletion(arguments.at(2), kKeepExecutable);
        arguments.clear();
        return result;
    }

    applyStartupSwitches(instance, arguments, kTakeTempSwitch);
    LaunchSwitches switches = scanLauncherSwitches(arguments);
    if (!g_launcher.langRestart) claimInstance();
    logMessage(L"Init done");
    int result = runInChosenStyle(instance, switches, showWindow);
    arguments.clear();
    return result;
}
