// The progress dialog: texts from the message table, the worker thread that
// its initialisation starts, Cancel, and centring.
#include "launcher/progress_dialog.h"

#include <commctrl.h>

#include "coordination/install_markers.h"
#include "jvm/native_path.h"
#include "launcher/base/centre_window.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/scoped.h"
#include "launcher/errors.h"
#include "launcher/state.h"
#include "launcher/work_thread.h"
#include "payload/config.h"
#include "resources/resource_ids.h"

namespace {

// Posted by the worker when its work is done.
constexpr UINT kWorkDoneMessage = WM_APP + 1;

// Set before the dialog is created; read by its initialisation on the same thread.
DialogWork g_work = nullptr;
volatile LONG g_cancelled = 0;
// Whether the dialog came up at all: a worker may end it with any result,
// so the result alone cannot tell a dialog that ended from one never shown.
bool g_dialogShown = false;

DWORD WINAPI dialogWorker(LPVOID parameter) {
    g_work(static_cast<HWND>(parameter));
    return 0;
}

void setMessageText(HWND window, int messageId) {
    wchar_t text[kMessageCapacity];
    getMessage(messageId, text);
    SetWindowTextW(window, text);
}

void initialiseDialog(HWND dialog) {
    centreWindow(dialog);
    g_launcher.messageOwner = dialog;
    setProgressRange(dialog, 0, 100);
    setMessageText(GetDlgItem(dialog, IDC_MAIN_TEXT), kMsgProgressText);
    setMessageText(dialog, kMsgWizardCaption);
    setMessageText(GetDlgItem(dialog, IDCANCEL), kMsgCancel);
    ScopedHandle worker(startWorkThread(dialogWorker, dialog));
    if (!worker.valid()) logError(L"could not start the work thread (%d)", static_cast<int>(GetLastError()));
}

void cancel(HWND dialog, int button) {
    logMessage(L"Canceled installer");
    InterlockedExchange(&g_cancelled, 1);
    deleteInstallMarkers(kBothMarkers);
    EndDialog(dialog, button);
}

}  // namespace

INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            g_dialogShown = true;
            initialiseDialog(dialog);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                cancel(dialog, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        case kWorkDoneMessage: EndDialog(dialog, IDOK); return TRUE;
        case WM_DESTROY:
            // An error box owned by a destroyed window would never appear.
            if (g_launcher.messageOwner == dialog) g_launcher.messageOwner = nullptr;
            return FALSE;
        default: return FALSE;
    }
}

namespace {

// What the dialog needs, done when the first one is about to appear rather
// than at start-up: under Wine, loading the common controls or the class's
// cursor starts the desktop process, which a run that never shows a dialog
// (quiet, or without progress dialog once a runtime is found) need not wait for.
void prepareDialogs(HINSTANCE instance) {
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    loadCommonControls();
    registerDialogClass(instance);
}

}  // namespace

INT_PTR runProgressDialog(HINSTANCE instance, HWND owner, DialogWork work) {
    prepareDialogs(instance);
    g_work = work;
    g_dialogShown = false;
    INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PROGRESS), owner, progressDialogProc, 0);
    if (result == -1 || !g_dialogShown) {
        logError(L"could not show the progress dialog (%d)", static_cast<int>(GetLastError()));
        failMessageArg8(kMsgInternalError, "72");
    }
    return result;
}

void closeProgressDialog(HWND dialog) { PostMessageW(dialog, kWorkDoneMessage, 0, 0); }

bool progressDialogCancelled() { return InterlockedCompareExchange(&g_cancelled, 0, 0) != 0; }

void stopWorkIfCancelled() {
    if (!progressDialogCancelled()) return;
    logMessage(L"work stopped after cancel");
    ExitThread(0);
}

void setProgressRange(HWND dialog, int low, int high) {
    if (dialog) SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(low, high));
}

void setProgressPosition(HWND dialog, int position) {
    if (dialog) SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
