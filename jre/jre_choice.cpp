// The JRE choice: dialog 104 (Download, Locate, Cancel) or, when so
// configured, the download without asking. A downloaded archive is left for
// the work routine to prepare like an included runtime.
#include "jre/jre_choice.h"

#include <cwchar>

#include "coordination/install_markers.h"
#include "jre/download.h"
#include "jre/manual_choice.h"
#include "jre/probe.h"
#include "launcher/base/centre_window.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/errors.h"
#include "launcher/state.h"
#include "payload/config.h"
#include "resources/resource_ids.h"

namespace {

#define TLX_STRINGIFY2(x) #x
#define TLX_STRINGIFY(x) TLX_STRINGIFY2(x)
const wchar_t kBitness[] = L"" TLX_STRINGIFY(TLX_BITNESS);

bool g_downloadOffered = false;

void setMessageText(HWND window, int messageId) {
    wchar_t text[kMessageCapacity];
    getMessage(messageId, text);
    SetWindowTextW(window, text);
}

// Appends text, cut to the buffer.
void append(wchar_t* buffer, const wchar_t* text) {
    size_t used = std::wcslen(buffer);
    if (used + 1 < kMessageCapacity) std::wcsncat(buffer, text, kMessageCapacity - used - 1);
}

// The choice text with the bitness for its "%S": put in by hand, since the
// text comes from the payload and is no format to trust with arguments.
void choiceText(wchar_t* out) {
    wchar_t text[kMessageCapacity];
    getMessage(g_downloadOffered ? kMsgChoiceWithDownload : kMsgChoiceWithoutDownload, text);
    out[0] = L'\0';
    wchar_t* slot = std::wcsstr(text, L"%S");
    if (slot) {
        *slot = L'\0';
        append(out, text);
        append(out, kBitness);
        append(out, slot + 2);
    } else {
        append(out, text);
    }
}

void initialiseChoice(HWND dialog) {
    centreWindow(dialog);
    setMessageText(dialog, kMsgWizardCaption);
    setMessageText(GetDlgItem(dialog, IDCANCEL), kMsgCancel);
    setMessageText(GetDlgItem(dialog, IDC_LOCATE), kMsgLocateButton);
    setMessageText(GetDlgItem(dialog, IDC_DOWNLOAD), kMsgDownloadButton);
    if (!g_downloadOffered) ShowWindow(GetDlgItem(dialog, IDC_DOWNLOAD), SW_HIDE);
    wchar_t text[kMessageCapacity];
    choiceText(text);
    appendVersionFacts(text, newestRefusedVersion());
    SetDlgItemTextW(dialog, IDC_MAIN_TEXT, text);
}

INT_PTR CALLBACK choiceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        initialiseChoice(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDC_LOCATE:
            if (selectJreManually(dialog)) EndDialog(dialog, IDC_LOCATE);
            return TRUE;
        case IDCANCEL:
            logMessage(L"JRE choice cancelled");
            deleteInstallMarkers(kBothMarkers);
            exitLauncher(1);
        case IDC_DOWNLOAD:
            // Without an address the button is hidden; Enter must not start a
            // download of nothing either.
            if (g_downloadOffered) EndDialog(dialog, IDC_DOWNLOAD);
            return TRUE;
        default: return TRUE;
    }
}

}  // namespace

int offerJreChoice(HWND dialog) {
    wchar_t address[kPathCapacity];
    getConfigStringWide(kKeyDownloadAddress, address, kPathCapacity);
    g_downloadOffered = address[0] != L'\0';
    logMessage(L"Download location: %s", address);
    if (getConfigInt(kKeyDownloadWithoutAsking) != 0 ||
        DialogBoxParamW(g_launcher.instance, MAKEINTRESOURCEW(IDD_JRE_CHOICE), dialog, choiceDialogProc, 0) ==
            IDC_DOWNLOAD) {
        if (!SetCurrentDirectoryA(g_launcher.extractionDir))
            logError(L"Could not change working dir to %S (%d)", g_launcher.extractionDir,
                     static_cast<int>(GetLastError()));
        logMessage(L"Downloading JRE");
        downloadJre(dialog, address);
        logMessage(L"Done");
        g_launcher.jreIncluded = true;
    }
    if (dialog && getConfigInt(kKeyNoProgressDialog) != 0) EndDialog(dialog, 0);
    return 0;
}
