// dlghelper: a test tool. Lets the process tests see and answer the windows of
// the program under test. It runs under wine64 in the same prefix, and so on
// the same desktop, as that program; it finds a visible top-level window by
// caption or by the image of its process, prints it and its controls as
// JSON, or presses a button. Its commands and options are in usage() below;
// --exe matches the process image path (a bare name matches the file name),
// --has takes only windows with a control of that id (two dialogs of one
// program may share a caption). Texts may carry \uXXXX escapes (tool_args.h).
//
// Exit codes: 0 done; 1 no matching window in time;
// 2 usage error; 3 the window was there but the button was not (no such
// button, or disabled or hidden).
//
// A press goes to the dialog as WM_COMMAND/BN_CLICKED: unlike BM_CLICK it needs
// neither focus nor mouse capture, which a desktop without a window manager
// does not hand out reliably.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/tools/tool_args.h"

namespace {

enum ExitCode { kDone = 0, kNotFound = 1, kUsage = 2, kRefused = 3, kContinue = -1 };

const DWORD kPollMs = 100;
const UINT kMessageTimeoutMs = 2000;
const DWORD_PTR kMaxTextLength = 1 << 20;
const int kMessageTextId = 0xFFFF;  // the static control of a message box

std::string field(const char* name, const std::string& value) { return std::string("\"") + name + "\":" + value; }
std::string field(const char* name, long long value) { return field(name, std::to_string(value)); }

void emit(const std::string& text) {
    fwrite(text.data(), 1, text.size(), stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

int fail(int code, const char* message, const std::string& details = std::string()) {
    emit("{" + field("error", json(std::wstring(message, message + strlen(message)))) +
         (details.empty() ? "" : "," + details) + "}");
    fprintf(stderr, "dlghelper: %s\n", message);
    return code;
}

// The text Windows keeps for the window; reading it sends no message, so a
// hung program cannot block us.
std::wstring storedText(HWND hwnd) {
    wchar_t buffer[4096];
    int length = InternalGetWindowText(hwnd, buffer, 4096);
    return std::wstring(buffer, length > 0 ? length : 0);
}

// Controls such as statics keep their own text; ask them, with a time limit.
std::wstring controlText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length) ||
        length > kMaxTextLength) {
        return storedText(hwnd);
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &copied)) {
        return storedText(hwnd);
    }
    text.resize(copied < length ? copied : length);
    return text;
}

std::wstring className(HWND hwnd) {
    wchar_t buffer[256];
    int length = GetClassNameW(hwnd, buffer, 256);
    return std::wstring(buffer, length > 0 ? length : 0);
}

bool sameText(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

bool visibleStyle(HWND hwnd) { return (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

bool queryControl(HWND hwnd, UINT message, WPARAM wParam, long long& result) {
    DWORD_PTR value = 0;
    if (!SendMessageTimeoutW(hwnd, message, wParam, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &value)) return false;
    result = static_cast<int>(value);
    return true;
}

DWORD processOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

// Declared here: the headers are kept at the XP level.
extern "C" BOOL WINAPI QueryFullProcessImageNameW(HANDLE, DWORD, LPWSTR, PDWORD);

std::wstring processImage(DWORD pid) {
    const DWORD kQueryLimitedInformation = 0x1000;
    HANDLE process = OpenProcess(kQueryLimitedInformation, FALSE, pid);
    if (!process) return std::wstring();
    wchar_t buffer[MAX_PATH * 4];
    DWORD size = MAX_PATH * 4;
    std::wstring image = QueryFullProcessImageNameW(process, 0, buffer, &size) ? std::wstring(buffer, size) : L"";
    CloseHandle(process);
    return image;
}

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> childrenOf(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(window, collectWindow, reinterpret_cast<LPARAM>(&children));
    return children;
}

bool isStaticText(HWND control) {
    LONG type = GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK;
    return sameText(className(control), L"Static") && type != SS_ICON && type != SS_BITMAP && type != SS_ENHMETAFILE;
}

// The message of a message box is its static control 0xFFFF; any other
// window's message is the text of its visible static controls, line by line.
std::wstring messageText(HWND window) {
    std::wstring joined;
    for (HWND child : childrenOf(window)) {
        if (!isStaticText(child)) continue;
        int id = GetDlgCtrlID(child);
        if (id == kMessageTextId || id == -1) return controlText(child);
        std::wstring text = visibleStyle(child) ? controlText(child) : std::wstring();
        if (text.empty()) continue;
        if (!joined.empty()) joined += L"\n";
        joined += text;
    }
    return joined;
}

// "visible" is the control's own WS_VISIBLE flag, so that a hidden dialog
// still shows which of its controls would be seen.
std::string describeControl(HWND control) {
    std::wstring cls = className(control);
    std::string out = "{" + field("id", GetDlgCtrlID(control)) + "," + field("class", json(cls)) + "," +
                      field("text", json(controlText(control))) + "," +
                      field("visible", visibleStyle(control) ? "true" : "false");
    long long value = 0, low = 0, high = 0;
    LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    if (sameText(cls, L"Button") && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) &&
        queryControl(control, BM_GETCHECK, 0, value)) {
        out += "," + field("checked", value ? "true" : "false");
    }
    if (sameText(cls, L"Button") && type == BS_DEFPUSHBUTTON) out += "," + field("default", "true");
    if (sameText(cls, L"ComboBox") && queryControl(control, CB_GETCOUNT, 0, value) &&
        queryControl(control, CB_GETCURSEL, 0, low)) {
        out += "," + field("items", value) + "," + field("selected", low);
    }
    if (sameText(cls, PROGRESS_CLASSW) && queryControl(control, PBM_GETPOS, 0, value) &&
        queryControl(control, PBM_GETRANGE, TRUE, low) && queryControl(control, PBM_GETRANGE, FALSE, high)) {
        out += "," + field("pos", value) + "," +
               field("range", "[" + std::to_string(low) + "," + std::to_string(high) + "]");
    }
    return out + "}";
}

std::string describeWindow(HWND window, bool withControls) {
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(window, &rect);
    DWORD pid = processOf(window);
    std::string out = "{" + field("caption", json(storedText(window))) + "," + field("class", json(className(window))) +
                      "," + field("pid", pid) + "," + field("exe", json(processImage(pid))) + "," +
                      field("hwnd", reinterpret_cast<intptr_t>(window)) + "," +
                      field("owner", reinterpret_cast<intptr_t>(GetWindow(window, GW_OWNER))) + ",\"rect\":[" +
                      std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) +
                      "," + std::to_string(rect.bottom) + "]";
    if (withControls) {
        out += "," + field("text", json(messageText(window))) + ",\"controls\":[";
        for (HWND child : childrenOf(window)) out += (out.back() == '[' ? "" : ",") + describeControl(child);
        out += "]";
    }
    return out + "}";
}

struct Options {
    std::wstring command;
    bool hasCaption = false;
    std::wstring caption;
    std::wstring exe;
    DWORD timeoutMs = 10000;
    bool hasButton = false;
    bool buttonById = false;
    int buttonId = 0;
    std::wstring buttonText;
    int hasControl = -1;
    int controlId = -1;
    bool hasText = false;
    std::wstring text;
    int state = -1;
};

bool exeMatches(DWORD pid, const std::wstring& wanted) {
    std::wstring image = processImage(pid);
    if (wanted.find_first_of(L"\\/") != std::wstring::npos) return sameText(image, wanted);
    size_t slash = image.find_last_of(L"\\/");
    return sameText(slash == std::wstring::npos ? image : image.substr(slash + 1), wanted);
}

// Visible top-level windows that match, in Z order.
std::vector<HWND> matchingWindows(const Options& options) {
    std::vector<HWND> all, found;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND hwnd : all) {
        if (hwnd == GetDesktopWindow() || !IsWindowVisible(hwnd)) continue;
        if (options.hasCaption && storedText(hwnd) != options.caption) continue;
        if (!options.exe.empty() && !exeMatches(processOf(hwnd), options.exe)) continue;
        if (options.hasControl >= 0 && !GetDlgItem(hwnd, options.hasControl)) continue;
        found.push_back(hwnd);
    }
    return found;
}

// Runs attempt(last) every poll interval until it returns an exit code;
// "last" is true once the timeout has run out, and then attempt must decide.
template <class Attempt>
int pollUntil(DWORD timeoutMs, Attempt attempt) {
    DWORD start = GetTickCount();
    for (;;) {
        bool last = GetTickCount() - start >= timeoutMs;
        int code = attempt(last);
        if (code != kContinue || last) return code == kContinue ? kNotFound : code;
        Sleep(kPollMs);
    }
}

// A label as the user reads it: mnemonic markers dropped ("&&" is a literal "&").
std::wstring plainLabel(const std::wstring& label) {
    std::wstring plain;
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] != L'&') {
            plain += label[i];
        } else if (i + 1 < label.size() && label[i + 1] == L'&') {
            plain += L'&';
            ++i;
        }
    }
    size_t first = plain.find_first_not_of(L' ');
    return first == std::wstring::npos ? std::wstring() : plain.substr(first, plain.find_last_not_of(L' ') - first + 1);
}

bool buttonMatches(HWND control, const Options& options) {
    if (options.buttonById) return GetDlgCtrlID(control) == options.buttonId;
    return sameText(className(control), L"Button") &&
           sameText(plainLabel(controlText(control)), plainLabel(options.buttonText));
}

// Whether the window has a matching control a user could press; button: the
// last matching control seen, to tell a refused button from none.
bool findButton(HWND window, const Options& options, HWND& button) {
    for (HWND child : childrenOf(window)) {
        if (!buttonMatches(child, options)) continue;
        button = child;
        if (visibleStyle(child) && IsWindowEnabled(child)) return true;
    }
    return false;
}

// wait describes the first matching window with its controls; close asks it to close.
int runWaitOrClose(const Options& options, bool close) {
    return pollUntil(options.timeoutMs, [&](bool last) -> int {
        std::vector<HWND> found = matchingWindows(options);
        if (found.empty()) return last ? fail(kNotFound, "no matching window") : kContinue;
        if (close && !PostMessageW(found[0], WM_SYSCOMMAND, SC_CLOSE, 0))
            return fail(kRefused, "posting the close failed");
        emit(close ? "{\"window\":" + describeWindow(found[0], false) + "}" : describeWindow(found[0], true));
        return kDone;
    });
}

// A press as under a click: the window gets the button's BN_CLICKED. A
// check box (--state) gets its state first, and the BN_CLICKED goes to its
// parent (the dialog, or a container of controls inside one), which reads
// the new state on it.
int runClick(const Options& options) {
    return pollUntil(options.timeoutMs, [&](bool last) -> int {
        std::vector<HWND> found = matchingWindows(options);
        HWND button = nullptr;
        for (HWND window : found) {
            if (!findButton(window, options, button)) continue;
            std::string details =
                "\"window\":" + describeWindow(window, false) + ",\"button\":" + describeControl(button);
            DWORD_PTR result = 0;
            WPARAM command = MAKEWPARAM(GetDlgCtrlID(button) & 0xFFFF, BN_CLICKED);
            if ((options.state >= 0 &&
                 !SendMessageTimeoutW(button, BM_SETCHECK, options.state ? BST_CHECKED : BST_UNCHECKED, 0,
                                      SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result)) ||
                !PostMessageW(options.state >= 0 ? GetParent(button) : window, WM_COMMAND, command,
                              reinterpret_cast<LPARAM>(button)))
                return fail(kRefused, "posting the press failed", details);
            emit("{" + details + "}");
            return kDone;
        }
        if (!last) return kContinue;
        if (found.empty()) return fail(kNotFound, "no matching window");
        std::string details = "\"window\":" + describeWindow(found[0], true);
        return fail(kRefused, button ? "button is disabled or hidden" : "window has no such button", details);
    });
}

int runType(const Options& options) {
    return pollUntil(options.timeoutMs, [&](bool last) -> int {
        for (HWND window : matchingWindows(options)) {
            HWND control = GetDlgItem(window, options.controlId);
            if (!control) continue;
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(options.text.c_str()),
                                     SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result))
                return fail(kRefused, "setting the text failed");
            emit("{\"window\":" + describeWindow(window, false) + ",\"control\":" + describeControl(control) + "}");
            return kDone;
        }
        return last ? fail(kNotFound, "no matching window with that control") : kContinue;
    });
}

int runFront() {
    HWND window = GetForegroundWindow();
    if (!window) return fail(kNotFound, "no foreground window");
    emit(describeWindow(window, false));
    return kDone;
}

int usage(const char* problem) {
    fprintf(stderr,
            "dlghelper: %s\n"
            "usage: dlghelper wait FILTER [--timeout MS]\n"
            "       dlghelper click FILTER --button ID|TEXT [--state 0|1] [--timeout MS]\n"
            "       dlghelper type FILTER --control ID --text TEXT [--timeout MS]\n"
            "       dlghelper front\n"
            "       dlghelper close FILTER [--timeout MS]\n"
            "FILTER: [--caption TEXT] [--exe PATH|NAME] [--has ID]\n",
            problem);
    return kUsage;
}

const char* parseOptions(const std::vector<std::wstring>& args, Options& options) {
    if (args.size() < 2) return "no command";
    options.command = args[1];
    for (size_t i = 2; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return "unknown option or missing value";
        const std::wstring& name = args[i];
        std::wstring value = decodeEscapes(args[i + 1]);
        long long number = 0;
        if (name == L"--caption") {
            options.hasCaption = true;
            options.caption = value;
        } else if (name == L"--exe") {
            options.exe = value;
        } else if (name == L"--timeout") {
            if (!parseNumber(value, number) || number < 0 || number > 3600000) return "bad --timeout";
            options.timeoutMs = static_cast<DWORD>(number);
        } else if (name == L"--button") {
            options.hasButton = true;
            options.buttonText = value;
            options.buttonById = parseNumber(value, number) && number >= 0 && number <= 0xFFFF;
            options.buttonId = static_cast<int>(number);
        } else if (name == L"--has" || name == L"--control") {
            if (!parseNumber(value, number) || number < 0 || number > 0xFFFF) return "bad control id";
            (name == L"--has" ? options.hasControl : options.controlId) = static_cast<int>(number);
        } else if (name == L"--state") {
            if (value != L"0" && value != L"1") return "bad --state";
            options.state = value == L"1";
        } else if (name == L"--text") {
            options.hasText = true;
            options.text = value;
        } else {
            return "unknown option";
        }
    }
    return nullptr;
}

}  // namespace

int main() {
    Options options;
    if (const char* problem = parseOptions(commandLineArgs(), options)) return usage(problem);
    if (options.command == L"front") return runFront();
    if (!options.hasCaption && options.exe.empty()) return usage("give --caption or --exe");
    const std::wstring& command = options.command;
    if (command == L"wait" || command == L"close") return runWaitOrClose(options, command == L"close");
    if (command == L"type") {
        if (options.controlId < 0 || !options.hasText) return usage("type needs --control and --text");
        return runType(options);
    }
    if (command != L"click") return usage("unknown command");
    if (!options.hasButton) return usage("click needs --button");
    return runClick(options);
}
