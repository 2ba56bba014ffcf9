// The launcher switches on the command line ("-q", "-c", "-console",
// "-splash", "-nocheck", "-manual", "/manual"): every entry, the program path
// included, compared whole and case-sensitively.
#pragma once

class ArgumentList;

struct LaunchSwitches {
    bool splashAsked = false;      // "-splash" seen
    bool consoleObtained = false;  // "-console" or "-c" obtained a console
};

// Sets integrityCheck, then applies every switch to g_launcher in order.
LaunchSwitches scanLauncherSwitches(const ArgumentList& arguments);

// True when "-q" or "-c" is present: fatal errors then go to standard error
// from the start, even while the payload is being read.
bool hasQuietSwitch(const ArgumentList& arguments);
