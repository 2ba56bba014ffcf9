// dlghelper: a test tool. Lets the process tests see and answer the windows of
// the program under test. It runs under wine64 in the same prefix, and so on
// the same desktop, as that program; it finds a top-level window by caption,
// prints it and its controls as JSON, presses a button or closes the window.
//
//   dlghelper list  [--hidden]
//   dlghelper wait  FILTER [--timeout MS]            the window with its controls
//   dlghelper gone  FILTER [--timeout MS]            waits until no window matches
//   dlghelper click FILTER --button ID|TEXT [--via command|bmclick] [--timeout MS]
//   dlghelper close FILTER [--timeout MS]            WM_CLOSE, then waits for it to go
//
//   FILTER: [--caption TEXT [--contains]] [--pid N] [--exe PATH|NAME] [--hidden]
//   (at least one of --caption, --pid, --exe). --pid is a Windows process id;
//   --exe matches the process image path (a bare name matches the file name).
//   Texts may carry \uXXXX escapes. Only visible windows count unless --hidden.
//
// Exit codes: 0 done; 1 no matching window in time (gone: one still there);
// 2 usage error; 3 the window was there but the action was impossible (no such
// button, button disabled or hidden, window did not close).
//
// Button presses go to the dialog as WM_COMMAND/BN_CLICKED by default: unlike
// BM_CLICK it needs neither focus nor mouse capture, which a desktop without a
// window manager does not hand out reliably.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/tools/tool_args.h"

namespace {

enum ExitCode { kDone = 0, kNotFound = 1, kUsage = 2, kRefused = 3, kContinue = -1 };

const DWORD kPollMs = 100;
const UINT kMessageTimeoutMs = 2000;
const DWORD_PTR kMaxTextLength = 1 << 20;
const int kMessageTextId = 0xFFFF;  // the static control of a message box

// ---------------------------------------------------------------- JSON output

void appendJson(std::string& out, const std::wstring& text) {
    out += '"';
    for (unsigned char c : toUtf8(text)) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

void appendField(std::string& out, const char* name, const std::wstring& text) {
    out += '"';
    out += name;
    out += "\":";
    appendJson(out, text);
}

void appendField(std::string& out, const char* name, long long value) {
    char buffer[64];
    snprintf(buffer, sizeof buffer, "\"%s\":%lld", name, value);
    out += buffer;
}

void appendField(std::string& out, const char* name, bool value) {
    out += '"';
    out += name;
    out += value ? "\":true" : "\":false";
}

void emit(const std::string& json) {
    fwrite(json.data(), 1, json.size(), stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

int fail(int code, const std::string& message, const std::string& details = std::string()) {
    std::string json = "{\"error\":";
    appendJson(json, std::wstring(message.begin(), message.end()));
    if (!details.empty()) json += "," + details;
    json += "}";
    emit(json);
    fprintf(stderr, "dlghelper: %s\n", message.c_str());
    return code;
}

// ---------------------------------------------------------------- window facts

// The text Windows keeps for the window; reading it sends no message, so a
// hung program cannot block us.
std::wstring storedText(HWND hwnd) {
    wchar_t buffer[4096];
    int length = InternalGetWindowText(hwnd, buffer, 4096);
    return std::wstring(buffer, length > 0 ? length : 0);
}

// Controls such as edits keep their own text; ask them, with a time limit.
std::wstring controlText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length) ||
        length > kMaxTextLength) {
        return storedText(hwnd);
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
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

bool sameText(const std::wstring& a, const std::wstring& b) {
    return lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

LONG styleOf(HWND hwnd) {
    return GetWindowLongW(hwnd, GWL_STYLE);
}

bool queryControl(HWND hwnd, UINT message, WPARAM wParam, long long& result) {
    DWORD_PTR value = 0;
    if (!SendMessageTimeoutW(hwnd, message, wParam, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &value)) {
        return false;
    }
    result = static_cast<int>(value);
    return true;
}

DWORD processOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

// Image path of a process; QueryFullProcessImageNameW is looked up because
// the headers are kept at the XP level.
std::wstring processImage(DWORD pid) {
    static std::map<DWORD, std::wstring> cache;
    auto known = cache.find(pid);
    if (known != cache.end()) return known->second;
    typedef BOOL(WINAPI * QueryImageName)(HANDLE, DWORD, LPWSTR, PDWORD);
    static QueryImageName query = reinterpret_cast<QueryImageName>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
    std::wstring image;
    const DWORD kQueryLimitedInformation = 0x1000;
    HANDLE process = query ? OpenProcess(kQueryLimitedInformation, FALSE, pid) : nullptr;
    if (process) {
        wchar_t buffer[MAX_PATH * 4];
        DWORD size = MAX_PATH * 4;
        if (query(process, 0, buffer, &size)) image.assign(buffer, size);
        CloseHandle(process);
    }
    cache[pid] = image;
    return image;
}

std::wstring fileName(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
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

// Top-level windows in Z order. The desktop window itself is never a match;
// Wine's own helper windows are hidden and drop out with the invisible ones.
std::vector<HWND> topLevelWindows(bool hidden) {
    std::vector<HWND> all, shown;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND hwnd : all) {
        if (hwnd == GetDesktopWindow()) continue;
        if (!hidden && !IsWindowVisible(hwnd)) continue;
        shown.push_back(hwnd);
    }
    return shown;
}

// ---------------------------------------------------------------- description

bool isCheckable(LONG style) {
    switch (style & BS_TYPEMASK) {
        case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: case BS_3STATE: case BS_AUTO3STATE:
            return true;
        default:
            return false;
    }
}

bool isStaticText(HWND control) {
    LONG type = styleOf(control) & SS_TYPEMASK;
    return sameText(className(control), L"Static") && type != SS_ICON && type != SS_BITMAP &&
           type != SS_ENHMETAFILE;
}

// The message of a message box is its static control 0xFFFF; any other
// window's message is the text of its visible static controls, line by line.
std::wstring messageText(HWND window) {
    std::wstring joined;
    for (HWND child : childrenOf(window)) {
        if (!isStaticText(child)) continue;
        int id = GetDlgCtrlID(child);
        if (id == kMessageTextId || id == -1) return controlText(child);
        if (!(styleOf(child) & WS_VISIBLE)) continue;
        std::wstring text = controlText(child);
        if (text.empty()) continue;
        if (!joined.empty()) joined += L"\n";
        joined += text;
    }
    return joined;
}

// "visible" is the control's own WS_VISIBLE flag, so that a hidden dialog
// still shows which of its controls would be seen.
std::string describeControl(HWND control) {
    std::string json = "{";
    LONG style = styleOf(control);
    std::wstring cls = className(control);
    appendField(json, "hwnd", static_cast<long long>(reinterpret_cast<uintptr_t>(control)));
    json += ",";
    appendField(json, "id", static_cast<long long>(GetDlgCtrlID(control)));
    json += ",";
    appendField(json, "class", cls);
    json += ",";
    appendField(json, "text", controlText(control));
    json += ",";
    appendField(json, "visible", (style & WS_VISIBLE) != 0);
    json += ",";
    appendField(json, "enabled", IsWindowEnabled(control) != FALSE);
    json += ",";
    appendField(json, "style", static_cast<long long>(static_cast<DWORD>(style)));
    long long value = 0, low = 0, high = 0;
    if (sameText(cls, PROGRESS_CLASSW) && queryControl(control, PBM_GETPOS, 0, value) &&
        queryControl(control, PBM_GETRANGE, TRUE, low) && queryControl(control, PBM_GETRANGE, FALSE, high)) {
        json += ",";
        appendField(json, "pos", value);
        char range[64];
        snprintf(range, sizeof range, ",\"range\":[%lld,%lld]", low, high);
        json += range;
    }
    if (sameText(cls, L"Button") && isCheckable(style) && queryControl(control, BM_GETCHECK, 0, value)) {
        json += ",";
        appendField(json, "checked", value);
    }
    return json + "}";
}

std::string describeWindow(HWND window, bool withControls) {
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(window, &rect);
    DWORD pid = processOf(window);
    std::string json = "{";
    appendField(json, "hwnd", static_cast<long long>(reinterpret_cast<uintptr_t>(window)));
    json += ",";
    appendField(json, "caption", storedText(window));
    json += ",";
    appendField(json, "class", className(window));
    json += ",";
    appendField(json, "pid", static_cast<long long>(pid));
    json += ",";
    appendField(json, "exe", processImage(pid));
    json += ",";
    appendField(json, "visible", IsWindowVisible(window) != FALSE);
    json += ",";
    appendField(json, "enabled", IsWindowEnabled(window) != FALSE);
    char box[96];
    snprintf(box, sizeof box, ",\"rect\":[%ld,%ld,%ld,%ld]", rect.left, rect.top, rect.right, rect.bottom);
    json += box;
    if (withControls) {
        json += ",";
        appendField(json, "text", messageText(window));
        json += ",\"controls\":[";
        bool first = true;
        for (HWND child : childrenOf(window)) {
            if (!first) json += ",";
            first = false;
            json += describeControl(child);
        }
        json += "]";
    }
    return json + "}";
}

// ---------------------------------------------------------------- matching

struct Filter {
    bool hasCaption = false;
    std::wstring caption;
    bool contains = false;
    bool hasPid = false;
    DWORD pid = 0;
    std::wstring exe;
    bool hidden = false;
};

bool exeMatches(DWORD pid, const std::wstring& wanted) {
    std::wstring image = processImage(pid);
    if (wanted.find_first_of(L"\\/") == std::wstring::npos) return sameText(fileName(image), wanted);
    return sameText(image, wanted);
}

bool windowMatches(HWND hwnd, const Filter& filter) {
    if (filter.hasCaption) {
        std::wstring caption = storedText(hwnd);
        bool ok = filter.contains ? caption.find(filter.caption) != std::wstring::npos
                                  : caption == filter.caption;
        if (!ok) return false;
    }
    if (filter.hasPid && processOf(hwnd) != filter.pid) return false;
    if (!filter.exe.empty() && !exeMatches(processOf(hwnd), filter.exe)) return false;
    return true;
}

std::vector<HWND> matchingWindows(const Filter& filter) {
    std::vector<HWND> found;
    for (HWND hwnd : topLevelWindows(filter.hidden)) {
        if (windowMatches(hwnd, filter)) found.push_back(hwnd);
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

// ---------------------------------------------------------------- buttons

struct WantedButton {
    bool byId = false;
    int id = 0;
    std::wstring text;
};

// A label as the user reads it: mnemonic markers dropped ("&&" is a literal "&").
std::wstring plainLabel(const std::wstring& label) {
    std::wstring plain;
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == L'&') {
            if (i + 1 < label.size() && label[i + 1] == L'&') {
                plain += L'&';
                ++i;
            }
            continue;
        }
        plain += label[i];
    }
    size_t first = plain.find_first_not_of(L' ');
    size_t last = plain.find_last_not_of(L' ');
    return first == std::wstring::npos ? std::wstring() : plain.substr(first, last - first + 1);
}

bool buttonMatches(HWND control, const WantedButton& wanted) {
    if (wanted.byId) return GetDlgCtrlID(control) == wanted.id;
    return sameText(className(control), L"Button") &&
           sameText(plainLabel(controlText(control)), plainLabel(wanted.text));
}

enum ButtonState { kNoButton, kButtonRefused, kButtonReady };

// The first matching control a user could press, or why there is none.
ButtonState findButton(HWND window, const WantedButton& wanted, HWND& button) {
    ButtonState state = kNoButton;
    for (HWND child : childrenOf(window)) {
        if (!buttonMatches(child, wanted)) continue;
        button = child;
        if ((styleOf(child) & WS_VISIBLE) && IsWindowEnabled(child)) return kButtonReady;
        state = kButtonRefused;
    }
    return state;
}

bool pressButton(HWND button, bool viaBmClick) {
    if (viaBmClick) return PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
    WPARAM command = MAKEWPARAM(GetDlgCtrlID(button) & 0xFFFF, BN_CLICKED);
    return PostMessageW(GetParent(button), WM_COMMAND, command, reinterpret_cast<LPARAM>(button)) != FALSE;
}

// ---------------------------------------------------------------- commands

struct Options {
    std::wstring command;
    Filter filter;
    DWORD timeoutMs = 10000;
    bool hasButton = false;
    WantedButton button;
    bool viaBmClick = false;
};

std::string noWindow() {
    return "\"found\":false";
}

int runList(const Options& options) {
    std::string json = "{\"windows\":[";
    bool first = true;
    for (HWND hwnd : topLevelWindows(options.filter.hidden)) {
        if (!first) json += ",";
        first = false;
        json += describeWindow(hwnd, false);
    }
    emit(json + "]}");
    return kDone;
}

int runWait(const Options& options) {
    return pollUntil(options.timeoutMs, [&](bool last) -> int {
        std::vector<HWND> found = matchingWindows(options.filter);
        if (found.empty()) return last ? fail(kNotFound, "no matching window", noWindow()) : kContinue;
        std::string json = describeWindow(found[0], true);
        json.insert(json.size() - 1, ",\"matches\":" + std::to_string(found.size()));
        emit(json);
        return kDone;
    });
}

int runGone(const Options& options) {
    return pollUntil(options.timeoutMs, [&](bool last) -> int {
        std::vector<HWND> found = matchingWindows(options.filter);
        if (found.empty()) {
            emit("{\"gone\":true}");
            return kDone;
        }
        if (!last) return kContinue;
        return fail(kNotFound, "window still there", "\"window\":" + describeWindow(found[0], false));
    });
}

int runClick(const Options& options) {
    return pollUntil(options.timeoutMs, [&](bool last) -> int {
        std::vector<HWND> found = matchingWindows(options.filter);
        HWND button = nullptr;
        for (HWND window : found) {
            if (findButton(window, options.button, button) != kButtonReady) continue;
            std::string details = "\"window\":" + describeWindow(window, false) +
                                  ",\"button\":" + describeControl(button);
            if (!pressButton(button, options.viaBmClick)) return fail(kRefused, "posting the press failed", details);
            emit("{" + details + ",\"via\":\"" + (options.viaBmClick ? "bmclick" : "command") + "\"}");
            return kDone;
        }
        if (!last) return kContinue;
        if (found.empty()) return fail(kNotFound, "no matching window", noWindow());
        std::string details = "\"window\":" + describeWindow(found[0], true);
        if (button) return fail(kRefused, "button is disabled or hidden", details);
        return fail(kRefused, "window has no such button", details);
    });
}

int runClose(const Options& options) {
    HWND window = nullptr;
    int code = pollUntil(options.timeoutMs, [&](bool last) -> int {
        std::vector<HWND> found = matchingWindows(options.filter);
        if (found.empty()) return last ? fail(kNotFound, "no matching window", noWindow()) : kContinue;
        window = found[0];
        return kDone;
    });
    if (code != kDone) return code;
    std::string details = "\"window\":" + describeWindow(window, false);
    PostMessageW(window, WM_CLOSE, 0, 0);
    return pollUntil(options.timeoutMs, [&](bool last) -> int {
        if (!IsWindow(window)) {
            emit("{" + details + ",\"closed\":true}");
            return kDone;
        }
        return last ? fail(kRefused, "window did not close", details) : kContinue;
    });
}

// ---------------------------------------------------------------- arguments

int usage(const char* problem) {
    fprintf(stderr,
            "dlghelper: %s\n"
            "usage: dlghelper list [--hidden]\n"
            "       dlghelper wait|gone|close FILTER [--timeout MS]\n"
            "       dlghelper click FILTER --button ID|TEXT [--via command|bmclick] [--timeout MS]\n"
            "FILTER: [--caption TEXT [--contains]] [--pid N] [--exe PATH|NAME] [--hidden]\n",
            problem);
    return kUsage;
}

bool parseOptions(const std::vector<std::wstring>& args, Options& options, const char*& problem) {
    auto reject = [&](const char* why) {
        problem = why;
        return false;
    };
    if (args.size() < 2) return reject("no command");
    options.command = args[1];
    for (size_t i = 2; i < args.size(); ++i) {
        const std::wstring& name = args[i];
        bool hasValue = i + 1 < args.size();
        long long number = 0;
        if (name == L"--contains") {
            options.filter.contains = true;
        } else if (name == L"--hidden") {
            options.filter.hidden = true;
        } else if (!hasValue) {
            return reject("unknown option or missing value");
        } else if (name == L"--caption") {
            options.filter.hasCaption = true;
            options.filter.caption = decodeEscapes(args[++i]);
        } else if (name == L"--exe") {
            options.filter.exe = decodeEscapes(args[++i]);
        } else if (name == L"--pid") {
            if (!parseNumber(args[++i], number) || number < 0 || number > 0xFFFFFFFFLL) {
                return reject("bad --pid");
            }
            options.filter.hasPid = true;
            options.filter.pid = static_cast<DWORD>(number);
        } else if (name == L"--timeout") {
            if (!parseNumber(args[++i], number) || number < 0 || number > 3600000) {
                return reject("bad --timeout");
            }
            options.timeoutMs = static_cast<DWORD>(number);
        } else if (name == L"--button") {
            options.hasButton = true;
            options.button.text = decodeEscapes(args[++i]);
            options.button.byId = parseNumber(options.button.text, number) && number >= 0 && number <= 0xFFFF;
            options.button.id = static_cast<int>(number);
        } else if (name == L"--via") {
            std::wstring via = args[++i];
            if (via != L"command" && via != L"bmclick") return reject("bad --via");
            options.viaBmClick = via == L"bmclick";
        } else {
            return reject("unknown option");
        }
    }
    return true;
}

bool hasFilter(const Filter& filter) {
    return filter.hasCaption || filter.hasPid || !filter.exe.empty();
}

}  // namespace

int main() {
    Options options;
    const char* problem = "";
    if (!parseOptions(commandLineArgs(), options, problem)) return usage(problem);
    const std::wstring& command = options.command;
    if (command == L"list") return runList(options);
    if (command != L"wait" && command != L"gone" && command != L"click" && command != L"close") {
        return usage("unknown command");
    }
    if (!hasFilter(options.filter)) return usage("give --caption, --pid or --exe");
    if (command == L"wait") return runWait(options);
    if (command == L"gone") return runGone(options);
    if (command == L"close") return runClose(options);
    if (!options.hasButton) return usage("click needs --button");
    return runClick(options);
}
