// The second stage of start-up: keep-log and temp switches, the payload's
// configuration, product name and working directory, the keep-log prompt.
#include "launcher/startup_switches.h"

#include <cstdio>
#include <cwchar>

#include "jvm/expand.h"
#include "launcher/arguments.h"
#include "launcher/log.h"
#include "launcher/paths.h"
#include "launcher/state.h"
#include "launcher/switch_scan.h"
#include "launcher/tempdir.h"
#include "launcher/wformat.h"
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
    }
}

void dropManualTempDir() {
    g_launcher.hasManualTempDir = false;
    g_launcher.manualTempDirWide[0] = L'\0';
    g_launcher.manualTempDir8[0] = '\0';
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
        logMessage(L"Using manual temp dir %s (%S)", directory, g_launcher.manualTempDir8);
        moveLogTo(directory);
        return;
    }
    char narrow[kPathCapacity];
    toFileCodePage(directory, narrow, sizeof(narrow));
    logMessage(L"Manual temp dir not usable %s (%S)", directory, narrow);
    dropManualTempDir();
    arguments.remove(at + 1);
    arguments.remove(at);
}

void setProductName() {
    char flavour[2];
    getConfigString(2001, flavour, sizeof(flavour));
    bool kavro = flavour[0] == 'e';
    formatWide(g_launcher.productName, 16, L"%s", kavro ? L"kavro" : L"tolvanrix");
    std::snprintf(g_launcher.productName8, sizeof(g_launcher.productName8), "%s", kavro ? "kavro" : "tolvanrix");
}

void changeWorkingDirectory() {
    wchar_t configured[kPathCapacity];
    getConfigStringWide(146, configured, kPathCapacity);
    if (configured[0] == L'\0') {
        logMessage(L"working directory unchanged");
        return;
    }
    expandVariables(configured, kPathCapacity, true);
    wchar_t directory[kPathCapacity];
    if (!fullPath(configured, true, directory, kPathCapacity)) {
        logError(L"working directory %s does not fit", configured);
        return;
    }
    if (!SetCurrentDirectoryW(directory))
        logError(L"could not change working directory (%d)", static_cast<int>(GetLastError()));
    logMessage(L"change working directory to %s", directory);
}

}  // namespace

void applyStartupSwitches(HINSTANCE instance, ArgumentList& arguments, bool handleTempSwitch) {
    g_launcher.extractionDir[0] = '\0';
    takeKeepLogSwitch(arguments);
    if (handleTempSwitch) takeTempSwitch(arguments);
    // A payload that cannot be read must not wait for a click in a quiet run.
    if (hasQuietSwitch(arguments)) g_launcher.messageBoxes = false;
    readConfiguration(&arguments);
    g_launcher.instance = instance;
    setProductName();
    if (!g_launcher.langRestart) changeWorkingDirectory();
    if (g_launcher.keepLog) showKeepLogPrompt();
}
