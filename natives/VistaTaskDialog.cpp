// The natives of the runtime's VistaTaskDialog class: the system's task
// dialog with custom buttons and a verification check box. The task dialog
// exists from Vista on, in the common controls version 6 that the manifest
// asks for; it is looked up, so older systems answer "unavailable" (0).
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#undef NTDDI_VERSION
#define NTDDI_VERSION 0x06000000
#include <windows.h>
#include <commctrl.h>
#include <jni.h>

#include <atomic>
#include <cstdlib>

#include "natives/native_support.h"

#include "launcher/base/proc_address.h"
#include "launcher/base/scoped.h"

static_assert(sizeof(void*) != 4 || sizeof(TASKDIALOGCONFIG) == 96, "the x86 task dialog record is 96 bytes");

namespace {

typedef HRESULT(WINAPI* TaskDialogFunction)(const TASKDIALOGCONFIG* config, int* button, int* radioButton,
                                            BOOL* verificationChecked);

const int kFirstButtonId = 101;
const jint kUnavailable = 0;
const jint kNoCustomButton = 1000;
// After this many timer ticks the dialog is kept above its owner without
// being activated again, so that the user can switch away from it.
const int kActivatingTicks = 5;

std::atomic<TaskDialogFunction> g_taskDialog{nullptr};

TaskDialogFunction taskDialogFunction() {
    if (!g_taskDialog.load()) {
        g_taskDialog.store(procAddress<TaskDialogFunction>(GetModuleHandleW(L"Comctl32.dll"), "TaskDialogIndirect"));
    }
    return g_taskDialog.load();
}

struct OwnerTracking {
    HWND owner;
    int ticks;
};

// The Java window that owns the dialog may be brought up over it by its own
// toolkit; on each timer tick the dialog is put back right above it.
HRESULT CALLBACK keepAboveOwner(HWND dialog, UINT notification, WPARAM, LPARAM, LONG_PTR data) {
    if (notification == TDN_TIMER) {
        OwnerTracking* tracking = reinterpret_cast<OwnerTracking*>(data);
        UINT flags = SWP_NOMOVE | SWP_NOSIZE | (++tracking->ticks > kActivatingTicks ? SWP_NOACTIVATE : 0);
        SetWindowPos(dialog, tracking->owner, 0, 0, 0, 0, flags);
    }
    return S_OK;
}

}  // namespace

// int show0(long ownerWindow, String title, String mainInstruction, String content, int flags, int icon,
//           int width, String verificationText, String[] buttonLabels, int defaultButtonIndex)
// (JLjava/lang/String;Ljava/lang/String;Ljava/lang/String;IIILjava/lang/String;[Ljava/lang/String;I)I
extern "C" jint JNICALL TLX_JNI(VistaTaskDialog, show0)(JNIEnv* env, jclass, jlong ownerWindow, jstring title,
                                                        jstring mainInstruction, jstring content, jint flags, jint icon,
                                                        jint width, jstring verificationText, jobjectArray buttonLabels,
                                                        jint defaultButtonIndex) {
    TaskDialogFunction taskDialog = taskDialogFunction();
    if (!taskDialog) return kUnavailable;
    JavaStringCopy titleText(env, title, StringUse::kShown), instruction(env, mainInstruction, StringUse::kShown),
        contentText(env, content, StringUse::kShown), verification(env, verificationText, StringUse::kShown);
    JavaStringArrayCopy labels(env, buttonLabels);
    ScopedMalloc<TASKDIALOG_BUTTON*> buttons(static_cast<TASKDIALOG_BUTTON*>(
        std::calloc(labels.count() ? static_cast<size_t>(labels.count()) : 1, sizeof(TASKDIALOG_BUTTON))));
    if (!buttons.get()) return kUnavailable;
    for (jsize i = 0; i < labels.count(); ++i) buttons.get()[i] = {kFirstButtonId + i, labels.at(i)};

    // Window handles are 32 bits wide in either build; the high half is not ours to read.
    HWND owner = static_cast<HWND>(handleFromJava(static_cast<jint>(ownerWindow)));
    OwnerTracking tracking = {owner, 0};
    TASKDIALOGCONFIG config = {};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    config.dwFlags = static_cast<DWORD>(flags) | TDF_USE_HICON_MAIN | TDF_CALLBACK_TIMER |
                     (owner && !IsIconic(owner) ? TDF_POSITION_RELATIVE_TO_WINDOW : 0);
    config.pszWindowTitle = titleText.get();
    config.hMainIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(icon));
    config.pszMainInstruction = instruction.get();
    config.pszContent = contentText.get();
    config.cButtons = static_cast<UINT>(labels.count());
    config.pButtons = buttons.get();
    // Any index: one that names no button selects none.
    config.nDefaultButton =
        static_cast<int>(static_cast<unsigned>(kFirstButtonId) + static_cast<unsigned>(defaultButtonIndex));
    config.pszVerificationText = verification.get();
    config.cxWidth = static_cast<UINT>(width);
    if (owner) {
        config.pfCallback = keepAboveOwner;
        config.lpCallbackData = reinterpret_cast<LONG_PTR>(&tracking);
    }
    int button = 0;
    BOOL verified = FALSE;
    // A dialog that could not be shown (a stale owner window, no memory) asked
    // the user nothing: the caller hears "unavailable" and may ask its own way.
    // Some systems report that as success with the failure value of a dialog
    // box (-1 or 0) as the button: every real button id is positive.
    if (FAILED(taskDialog(&config, &button, nullptr, &verified)) || button <= 0) return kUnavailable;
    bool custom = button >= kFirstButtonId && button < kFirstButtonId + labels.count();
    jint result = custom ? button - (kFirstButtonId - 1) : kNoCustomButton;
    return verified ? -result : result;
}
