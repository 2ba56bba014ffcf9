// The launcher switch scan.
#include "launcher/switch_scan.h"

#include <cwchar>

#include "coordination/console.h"
#include "launcher/base/arguments.h"
#include "launcher/state.h"

namespace {

bool is(const wchar_t* argument, const wchar_t* name) { return std::wcscmp(argument, name) == 0; }

void beQuiet() {
    g_launcher.quiet = true;
    g_launcher.messageBoxes = false;
}

}  // namespace

LaunchSwitches scanLauncherSwitches(const ArgumentList& arguments) {
    LaunchSwitches seen;
    g_launcher.integrityCheck = true;
    for (int i = 0; i < arguments.count(); ++i) {
        const wchar_t* argument = arguments.at(i);
        if (is(argument, L"-q")) {
            beQuiet();
        } else if (is(argument, L"-console")) {
            attachOrAllocConsole();
            seen.consoleObtained = true;
        } else if (is(argument, L"-splash")) {
            seen.splashAsked = true;
        } else if (is(argument, L"-nocheck")) {
            g_launcher.integrityCheck = false;
        } else if (is(argument, L"-c")) {
            beQuiet();
            if (!seen.consoleObtained) seen.consoleObtained = attachOrAllocConsole();
        } else if (is(argument, L"-manual") || is(argument, L"/manual")) {
            g_launcher.manualJre = true;
        }
    }
    return seen;
}

bool hasQuietSwitch(const ArgumentList& arguments) {
    for (int i = 0; i < arguments.count(); ++i)
        if (is(arguments.at(i), L"-q") || is(arguments.at(i), L"-c")) return true;
    return false;
}
