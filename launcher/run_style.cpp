// Choosing and running the run style.
#include "launcher/run_style.h"

#include "coordination/java_window.h"
#include "jre/jre_choice.h"
#include "jvm/splash.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/log.h"
#include "launcher/base/scoped.h"
#include "launcher/progress_dialog.h"
#include "launcher/state.h"
#include "launcher/switch_scan.h"
#include "launcher/work.h"
#include "launcher/work_thread.h"
#include "payload/config.h"

namespace {

// The progress dialog's worker: the work routine, or the runtime choice when
// configuration key 155 asks for that. Once the installer's main method has
// returned the dialog has nothing left to show: it closes, and the process
// ends as in the other styles.
void dialogWork(HWND dialog) {
    if (getConfigInt(kKeyNoProgressDialog) != 0) {
        offerJreChoice(dialog);
        return;
    }
    runWork(dialog);
    closeProgressDialog(dialog);
}

DWORD WINAPI workWithoutDialog(LPVOID) { return static_cast<DWORD>(runWork(nullptr)); }

// The entry thread waits for it; without a thread the work runs here.
int runWorkOnItsThread() {
    ScopedHandle worker(startWorkThread(workWithoutDialog, nullptr));
    if (!worker.valid()) {
        logError(L"could not start the work thread (%d)", static_cast<int>(GetLastError()));
        return runWork(nullptr);
    }
    WaitForSingleObject(worker.get(), INFINITE);
    DWORD result = 0;
    GetExitCodeThread(worker.get(), &result);
    return static_cast<int>(result);
}

}  // namespace

// Without the dialog the work routine still runs on a thread of its own, as
// java.exe runs main, the entry thread waiting for it.
int runInChosenStyle(HINSTANCE instance, const LaunchSwitches& switches, int showWindow) {
    bool quietStyle = g_launcher.quiet && !switches.splashAsked;
    bool splash = getConfigInt(kKeySplashEnabled) != 0;
    bool throughRuntime = getConfigInt(kKeySplashThroughJre) != 0;
    // The runtime's splash library needs the chosen runtime: the work
    // routine shows it once that is loaded, in every style that shows windows.
    g_launcher.runtimeSplash = !quietStyle && splash && throughRuntime;
    if (quietStyle) {
        logMessage(L"Quiet installer.");
        return runWorkOnItsThread();
    }
    if (splash && !throughRuntime) {
        logMessage(L"Showing splash screen.");
        showSplash(showWindow);
        return runWorkOnItsThread();
    }
    if (getConfigInt(kKeyNoProgressDialog) != 0) {
        logMessage(L"No progress dialog.");
        return runWorkOnItsThread();
    }
    logMessage(L"Showing progress dialog.");
    // The installer's window takes over the screen from everything the
    // launcher showed until then.
    whenJavaWindowShown(closeSplash);
    runProgressDialog(instance, nullptr, dialogWork);
    return 0;
}
