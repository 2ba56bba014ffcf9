// Choosing and running the run style.
#include "launcher/run_style.h"

#include "jvm/splash.h"
#include "launcher/log.h"
#include "launcher/progress_dialog.h"
#include "launcher/state.h"
#include "launcher/switch_scan.h"
#include "launcher/work.h"
#include "payload/config.h"

void runInChosenStyle(HINSTANCE instance, const LaunchSwitches& switches, int showWindow) {
    if (g_launcher.quiet && !switches.splashAsked) {
        logMessage(L"Quiet installer.");
        runWork(nullptr);
    } else if (getConfigInt(108) != 0 && getConfigInt(10123) == 0) {
        logMessage(L"Showing splash screen.");
        showSplash(showWindow);
        runWork(nullptr);
    } else if (getConfigInt(155) != 0) {
        logMessage(L"No progress dialog.");
        runWork(nullptr);
    } else {
        logMessage(L"Showing progress dialog.");
        runProgressDialog(instance, nullptr);
    }
}
