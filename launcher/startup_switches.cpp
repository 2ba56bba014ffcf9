// The second stage of start-up: keep-log and temp switches, the payload's
// configuration, product name and working directory, the keep-log prompt.
#include "launcher/startup_switches.h"

#include <cstdio>
#include <cwchar>

#include "jvm/expand.h"
#include "launcher/base/arguments.h"
#include "launcher/base/code_page.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/log.h"
#include "launcher/base/paths.h"
#include "launcher/base/scoped.h"
#include "launcher/base/temp_dir.h"
#include "launcher/base/wformat.h"
#include "launcher/state.h"
#include "launcher/switch_scan.h"
#include "payload/config.h"
#include "payload/reader.h"

namespace {

bool isKeepLogSwitch(const wchar_t* argument) {
    static const wchar_t* const kNames[] = {L"-create-tlx-log", L"-create-kvo-log", L"/create-tlx-log",
                                            L"/create-kvo-log"};
    for (const wchar_t* name : kNames)
        if (std::wcscmp(argument, name) == 0) return true;
    return false;
}

// Only directly behind the program path.
void takeKeepLogSwitch(ArgumentList& arguments) {
    if (arguments.count() >= 2 && isKeepLogSwitch(arguments.at(1))) {
        arguments.remove(1);
        g_launcher.keepLog = true;
        keepLogAtExit();
    }
}

// The log was started in the normal temp directory before the switch could be
// read; it follows the user's choice so that nothing is left behind there.
void takeTempSwitch(ArgumentList& arguments) {
    int at = 0;
    while (at < arguments.count() && std::wcscmp(arguments.at(at), L"-temp") != 0 &&
           std::wcscmp(arguments.at(at), L"/temp") != 0)
        ++at;
    if (at == arguments.count()) return;
    if (at + 1 == arguments.count() || arguments.at(at + 1)[0] == L'\0') {
        arguments.remove(at);
        return;
    }
    const wchar_t* directory = arguments.at(at + 1);
    if (setManualTempDir(directory)) {
        logMessage(L"Using manual temp dir %s (%S)", manualTempDirWide(), manualTempDir8());
        moveLogTo(manualTempDirWide());
        return;
    }
    char narrow[kPathCapacity];
    toFileCodePage(directory, narrow, sizeof(narrow));
    logMessage(L"Manual temp dir not usable %s (%S)", directory, narrow);
    clearManualTempDir();
    arguments.remove(at + 1);
    arguments.remove(at);
}

void setProductName() {
    char flavour[2];
    getConfigString(kKeyFlavour, flavour, sizeof(flavour));
    bool kavro = flavour[0] == 'e';
    formatWide(g_launcher.productName, 16, L"%s", kavro ? L"kavro" : L"tolvanrix");
    std::snprintf(g_launcher.productName8, sizeof(g_launcher.productName8), "%s", kavro ? "kavro" : "tolvanrix");
}

void changeWorkingDirectory() {
    wchar_t configured[kPathCapacity];
    getConfigStringWide(kKeyWorkingDirectory, configured, kPathCapacity);
    if (configured[0] == L'\0') {
        logMessage(L"working directory unchanged");
        return;
    }
    expandVariables(configured, kPathCapacity, kEightBitSafe);
    wchar_t directory[kPathCapacity];
    if (!fullPath(configured, kKeepCase, directory, kPathCapacity)) {
        logError(L"working directory %s does not fit", configured);
        return;
    }
    if (!SetCurrentDirectoryW(directory))
        logError(L"could not change working directory (%d)", static_cast<int>(GetLastError()));
    else formatWide(g_launcher.workingDirectory, kPathCapacity, L"%s", directory);
    logMessage(L"change working directory to %s", directory);
}

void showKeepLogPrompt() {
    const wchar_t* path = logFilePath();
    wchar_t text[kPathCapacity + 128];
    formatWide(text, sizeof(text) / sizeof(text[0]),
               L"The following log file will be created:\n\n%s\n\nDo you want to open an Explorer window?",
               path ? path : L"");
    if (MessageBoxW(nullptr, text, g_launcher.productName, MB_YESNO) != IDYES) return;

    wchar_t shortPath[MAX_PATH];
    wchar_t windowsDir[MAX_PATH];
    // Both calls return the size they would need, without writing, when the
    // buffer is too small: that counts as failure, not as a result.
    DWORD n = path ? GetShortPathNameW(path, shortPath, MAX_PATH) : 0;
    if (n == 0 || n >= MAX_PATH) shortPath[0] = L'\0';
    n = GetWindowsDirectoryW(windowsDir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) windowsDir[0] = L'\0';
    wchar_t command[2 * MAX_PATH + 64];
    formatWide(command, sizeof(command) / sizeof(command[0]), L"%s\\explorer.exe /select,%s", windowsDir, shortPath);
    logMessage(L"calling %s", command);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &process)) {
        logMessage(L"could not open explorer window %d", static_cast<int>(GetLastError()));
        return;
    }
    ScopedHandle thread(process.hThread);
    ScopedHandle child(process.hProcess);
}

}  // namespace

void applyStartupSwitches(HINSTANCE instance, ArgumentList& arguments, TempSwitch tempSwitch) {
    g_launcher.extractionDir[0] = '\0';
    takeKeepLogSwitch(arguments);
    if (tempSwitch == kTakeTempSwitch) takeTempSwitch(arguments);
    // A payload that cannot be read must not wait for a click in a quiet run.
    if (hasQuietSwitch(arguments)) g_launcher.messageBoxes = false;
    readConfiguration(&arguments);
    g_launcher.instance = instance;
    setProductName();
    if (!g_launcher.langRestart) changeWorkingDirectory();
    if (g_launcher.keepLog) showKeepLogPrompt();
}
