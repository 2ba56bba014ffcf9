// msgbox_probe: a test tool. A small GUI program whose windows the dialog
// helper's tests find, read and answer: a message box with a given caption,
// text and buttons, or a modal dialog with a progress bar at a known position.
// It prints "pid=N" (its Windows process id) and exits with the id of the
// button that ended the box or dialog.
//
//   msgbox_probe msgbox CAPTION TEXT ok|okcancel|yesno|yesnocancel
//   msgbox_probe progress CAPTION STATUS POS MIN MAX
//
// Texts may carry \uXXXX escapes (tool_args.h); "\n" in TEXT is a line break.
// The progress dialog also has a checked check box (1003), a disabled "Retry"
// button (1004) and "Cancel" (IDCANCEL).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/tools/tool_args.h"

namespace {

const int kUsageError = 200;
const int kStatusId = 1001;
const int kProgressId = 1002;
const int kKeepFilesId = 1003;
const int kRetryId = 1004;

std::wstring withLineBreaks(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'n') {
            out += L'\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool buttonsStyle(const std::wstring& name, UINT& style) {
    if (name == L"ok") style = MB_OK;
    else if (name == L"okcancel") style = MB_OKCANCEL;
    else if (name == L"yesno") style = MB_YESNO;
    else if (name == L"yesnocancel") style = MB_YESNOCANCEL;
    else return false;
    return true;
}

// An in-memory dialog template: DLGTEMPLATE, then DWORD-aligned items.
class DialogTemplate {
  public:
    DialogTemplate(DWORD style, short cx, short cy, const wchar_t* title) {
        addDword(style);
        addDword(0);
        countAt_ = words_.size();
        words_.push_back(0);
        addBox(0, 0, cx, cy);
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard dialog class
        addString(title);
        words_.push_back(8);  // DS_SETFONT: point size and face
        addString(L"MS Shell Dlg");
    }

    void addItem(DWORD style, short x, short y, short cx, short cy, WORD id, const wchar_t* cls,
                 const wchar_t* text) {
        if (words_.size() % 2) words_.push_back(0);
        addDword(style | WS_CHILD | WS_VISIBLE);
        addDword(0);
        addBox(x, y, cx, cy);
        words_.push_back(id);
        addString(cls);
        addString(text);
        words_.push_back(0);  // no creation data
        ++words_[countAt_];
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    void addDword(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void addBox(short x, short y, short cx, short cy) {
        for (short value : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(value));
    }
    void addString(const wchar_t* text) {
        for (; *text; ++text) words_.push_back(static_cast<WORD>(*text));
        words_.push_back(0);
    }

    std::vector<WORD> words_;
    size_t countAt_ = 0;
};

struct ProgressSetup {
    int pos, low, high;
};

INT_PTR CALLBACK progressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const ProgressSetup* setup = reinterpret_cast<const ProgressSetup*>(lParam);
        SendDlgItemMessageW(dialog, kProgressId, PBM_SETRANGE32, setup->low, setup->high);
        SendDlgItemMessageW(dialog, kProgressId, PBM_SETPOS, setup->pos, 0);
        CheckDlgButton(dialog, kKeepFilesId, BST_CHECKED);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == kRetryId)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

int showProgress(const std::vector<std::wstring>& args) {
    long long pos = 0, low = 0, high = 0;
    if (args.size() != 7 || !parseNumber(args[4], pos) || !parseNumber(args[5], low) ||
        !parseNumber(args[6], high)) {
        return kUsageError;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    std::wstring caption = decodeEscapes(args[2]);
    std::wstring status = decodeEscapes(args[3]);
    DialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER,
                          200, 70, caption.c_str());
    dialog.addItem(SS_LEFT, 7, 7, 186, 9, kStatusId, L"Static", status.c_str());
    dialog.addItem(0, 7, 20, 186, 10, kProgressId, PROGRESS_CLASSW, L"");
    dialog.addItem(BS_AUTOCHECKBOX | WS_TABSTOP, 7, 36, 80, 10, kKeepFilesId, L"Button", L"&Keep files");
    dialog.addItem(BS_PUSHBUTTON | WS_DISABLED, 90, 50, 50, 14, kRetryId, L"Button", L"&Retry");
    dialog.addItem(BS_PUSHBUTTON | WS_TABSTOP, 143, 50, 50, 14, IDCANCEL, L"Button", L"Cancel");
    ProgressSetup setup = {static_cast<int>(pos), static_cast<int>(low), static_cast<int>(high)};
    return static_cast<int>(DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), nullptr,
                                                    progressProc, reinterpret_cast<LPARAM>(&setup)));
}

int showMessageBox(const std::vector<std::wstring>& args) {
    UINT style = 0;
    if (args.size() != 5 || !buttonsStyle(args[4], style)) return kUsageError;
    std::wstring caption = decodeEscapes(args[2]);
    std::wstring text = decodeEscapes(withLineBreaks(args[3]));
    return MessageBoxW(nullptr, text.c_str(), caption.c_str(), style | MB_ICONQUESTION);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    printf("pid=%lu\n", GetCurrentProcessId());
    fflush(stdout);
    std::vector<std::wstring> args = commandLineArgs();
    if (args.size() >= 2 && args[1] == L"msgbox") return showMessageBox(args);
    if (args.size() >= 2 && args[1] == L"progress") return showProgress(args);
    fprintf(stderr, "usage: msgbox_probe msgbox CAPTION TEXT ok|okcancel|yesno|yesnocancel\n"
                    "       msgbox_probe progress CAPTION STATUS POS MIN MAX\n");
    return kUsageError;
}
