// Locating a runtime by hand: the open-file dialog (comdlg32, loaded on
// first use), opened where runtimes are installed, then the same loading as
// every other runtime, with its messages shown, since the user is there to
// read them. A runtime of the wrong version is refused with the version it
// has and the one wanted.
#include "jre/manual_choice.h"

#include <commdlg.h>

#include <cstdio>
#include <cwchar>

#include "jre/probe.h"
#include "jre/search.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/file_system.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/proc_address.h"
#include "launcher/base/wformat.h"
#include "launcher/errors.h"
#include "payload/config.h"

namespace {

typedef BOOL(WINAPI* GetOpenFileNameFunction)(LPOPENFILENAMEA);

GetOpenFileNameFunction openFileFunction() {
    static GetOpenFileNameFunction function = nullptr;
    if (!function) function = procAddress<GetOpenFileNameFunction>(LoadLibraryA("Comdlg32.dll"), "GetOpenFileNameA");
    return function;
}

// Appends formatted text, cut to the buffer.
void append(wchar_t* text, const wchar_t* format, const wchar_t* label, const char* value) {
    size_t used = std::wcslen(text);
    if (used + 1 < kMessageCapacity) formatWide(text + used, kMessageCapacity - used, format, label, value);
}

// Runtimes live under Program Files (its Java folder when there is one): the
// dialog opens there, not in the extraction directory, the current one.
void startFolder(char* folder, size_t capacity) {
    DWORD n = GetEnvironmentVariableA("ProgramFiles", folder, static_cast<DWORD>(capacity));
    if (n == 0 || n >= capacity) {
        folder[0] = '\0';
        return;
    }
    char java[kPathCapacity];
    std::snprintf(java, sizeof(java), "%s\\Java", folder);
    if (fileExists(java)) std::snprintf(folder, capacity, "%s", java);
}

// LoadDLL refuses a runtime outside the bounds with the message that none
// was found; the user who chose it learns here what it has and what is wanted.
bool versionFits(const char* chosen) {
    char path[kPathCapacity];
    char version[kVersionCapacity] = "";
    char bounds[2][kVersionCapacity];
    getConfigString(kKeyMinJavaVersion, bounds[0], sizeof(bounds[0]));
    getConfigString(kKeyMaxJavaVersion, bounds[1], sizeof(bounds[1]));
    const VersionNumber min = parseVersion(bounds[0]), max = parseVersion(bounds[1]);
    std::snprintf(path, sizeof(path), "%s", chosen);
    if (checkJavaExe(path, version, min, max, kProbeAllowPreRelease) || !version[0] ||
        checkVersionRange(version, min, max, true))
        return true;  // usable, or refused for a reason LoadDLL reports itself
    wchar_t text[kMessageCapacity];
    formatMessage8(kMsgJvmUnusable, chosen, text);
    appendVersionFacts(text, version);
    showError(text);
    return false;
}

}  // namespace

void appendVersionFacts(wchar_t* text, const char* found) {
    const int keys[] = {kKeyMinJavaVersion, kKeyMaxJavaVersion};
    const int labels[] = {kMsgMinVersionLabel, kMsgMaxVersionLabel, kMsgFoundVersionLabel};
    bool any = false;
    for (int i = 0; i < 3; ++i) {
        char value[kVersionCapacity];
        if (i < 2) getConfigString(keys[i], value, sizeof(value));
        else std::snprintf(value, sizeof(value), "%s", found);
        wchar_t label[kMessageCapacity];
        getMessage(labels[i], label);
        // Without a label text (payloads made before it existed) the found
        // version stays out; the bounds keep their place either way.
        if (!value[0] || (i == 2 && !label[0])) continue;
        append(text, any ? L", %s %S" : L" (%s %S", label, value);
        any = true;
    }
    if (any) append(text, L")", nullptr, nullptr);
}

bool selectJreManually(HWND owner) {
    char path[kPathCapacity] = "";
    wchar_t wideTitle[kMessageCapacity];
    getMessage(kMsgLocateTitle, wideTitle);
    char title[kPathCapacity];
    if (!WideCharToMultiByte(CP_ACP, 0, wideTitle, -1, title, sizeof(title), nullptr, nullptr)) title[0] = '\0';

    OPENFILENAMEA request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.lpstrFilter = "Java EXE\0java.exe\0";
    request.lpstrFile = path;
    request.nMaxFile = sizeof(path);
    request.lpstrTitle = title;
    request.Flags = OFN_FILEMUSTEXIST;
    char folder[kPathCapacity];
    startFolder(folder, sizeof(folder));
    if (folder[0]) request.lpstrInitialDir = folder;

    GetOpenFileNameFunction openFile = openFileFunction();
    if (!openFile || !openFile(&request)) return false;
    logMessage(L"JRE chosen by the user: %S", path);
    if (!versionFits(path) || !LoadDLL(JreFailure::kShowMessages, path, JreLocation::kJavaExe)) return false;
    registerLocatedJvm(path);
    return true;
}
