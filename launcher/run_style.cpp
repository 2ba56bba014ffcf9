// Choosing and running the run style.
#include "launcher/run_style.h"

#include "coordination/java_window.h"
#include "jre/jre_choice.h"
#include "jvm/splash.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/log.h"
#include "launcher/progress_dialog.h"
#include "launcher/state.h"
#include "launcher/switch_scan.h"
#include "launcher/work.h"
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

}  // namespace

void runInChosenStyle(HINSTANCE instance, const LaunchSwitches& switches, int showWindow) {
    bool quietStyle = g_launcher.quiet && !switches.splashAsked;
    bool splash = getConfigInt(kKeySplashEnabled) != 0;
    bool throughRuntime = getConfigInt(kKeySplashThroughJre) != 0;
    // The runtime's splash library needs the chosen runtime: the work
    // routine shows it once that is loaded, in every style that shows windows.
    g_launcher.runtimeSplash = !quietStyle && splash && throughRuntime;
    if (quietStyle) {
        logMessage(L"Quiet installer.");
        runWork(nullptr);
    } else if (splash && !throughRuntime) {
        logMessage(L"Showing splash screen.");
        showSplash(showWindow);
        runWork(nullptr);
    } else if (getConfigInt(kKeyNoProgressDialog) != 0) {
        logMessage(L"No progress dialog.");
        runWork(nullptr);
    } else {
        logMessage(L"Showing progress dialog.");
        // The installer's window takes over the screen from everything the
        // launcher showed until then.
        whenJavaWindowShown(closeSplash);
        runProgressDialog(instance, nullptr, dialogWork);
    }
}
