// The wait for the installer's window: the progress bar moves on every half
// second while the JVM starts, the dialog goes once a window of this process
// other than the launcher's own is visible or the Java side marks its start
// as done, and four
// minutes without either end the start with an error that suggests another
// Java runtime.
#include "coordination/java_window.h"

#include <commctrl.h>

#include <cstdlib>

#include "coordination/install_markers.h"
#include "coordination/windows.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/errors.h"
#include "launcher/state.h"
#include "payload/config.h"
#include "resources/resource_ids.h"

namespace {

constexpr DWORD kPollMillis = 100;
constexpr int kPassesPerStep = 5;  // the bar moves every half second
constexpr int kBarEnd = 400;
constexpr int kBarCap = 390;  // the bar never looks finished before the window is there
constexpr int kTimeoutPasses = 2400;
constexpr DWORD kMarkerWaiting = 1;
constexpr DWORD kMarkerReady = 2;

// The wait length in passes of 100 ms, which only the tests shorten: four
// real minutes are no test.
constexpr char kTimeoutPassesVariable[] = "TOLVANRIX_WINDOW_WAIT_PASSES";

void (*g_shownHook)() = nullptr;

int timeoutPasses() {
    char text[16];
    DWORD n = GetEnvironmentVariableA(kTimeoutPassesVariable, text, sizeof(text));
    if (n == 0 || n >= sizeof(text)) return kTimeoutPasses;
    int passes = std::atoi(text);
    return passes >= 1 && passes < kTimeoutPasses ? passes : kTimeoutPasses;
}

// The launcher's own windows (the dialog, a fatal error's box in front of
// it) are not the installer's.
bool installerShown(HWND dialog) {
    return countInstallerWindows(GetCurrentProcessId(), dialog) > 0 ||
           readInstallMarker(kPerProcessMarker) == kMarkerReady;
}

// Only a start that never changed its marker times out: a Java side that
// deleted it, or a language restart that never wrote it, is waited for. The
// start is abandoned then, and the values that announce it go with it: left
// behind they would tell everyone for good that an installer is starting.
void failIfTimedOut() {
    if (readInstallMarker(kPerProcessMarker) != kMarkerWaiting || getConfigInt(kKeyNoWindowTimeout) != 0) return;
    logMessage(L"timeout");
    deleteInstallMarkers(kBothMarkers);
    failMessage(kMsgJavaWindowTimeout);
}

}  // namespace

void whenJavaWindowShown(void (*hook)()) { g_shownHook = hook; }

DWORD WINAPI waitForJavaWindow(LPVOID parameter) {
    HWND dialog = static_cast<HWND>(parameter);
    const int start = g_launcher.jreProgressShare;
    const int lastPass = timeoutPasses() - 1;
    int position = start;
    for (int pass = 0; !installerShown(dialog); ++pass) {
        if ((pass + 1) % kPassesPerStep == 0) {
            position += (kBarEnd - start) / 4;
            if (position > kBarCap) position = kBarCap;
            SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
        }
        if (pass == lastPass) failIfTimedOut();
        Sleep(kPollMillis);
    }
    deleteInstallMarkers(kPerProcessMarker);
    logMessage(L"Java window visible");
    ShowWindow(dialog, SW_HIDE);
    if (g_shownHook) g_shownHook();
    return 0;
}
