// Start-up sequence of the launcher.
#include "launcher/startup.h"

#include <cstring>

#include "deferred_delete/deferred_delete.h"
#include "launcher/arguments.h"

namespace {

// Deferred-deletion mode: the runtime starts the executable with the reserved
// word and the deletion list; with fewer arguments this is an ordinary launch.
bool runDeletionMode(const char* commandLine, const ArgumentList& args, int& exitCode) {
    static const char kDeletionWord[] = "__tlx_windel";
    if (std::strncmp(commandLine, kDeletionWord, sizeof(kDeletionWord) - 1) != 0 || args.count() < 3) return false;
    exitCode = runDeferredDeletion(args.at(2), false);
    return true;
}

}  // namespace

int runLauncher(HINSTANCE instance, const char* commandLine, int showWindow) {
    (void)instance;
    (void)showWindow;
    if (!commandLine) commandLine = "";
    ArgumentList args;
    splitCommandLine(GetCommandLineW(), args);
    int exitCode = 0;
    if (runDeletionMode(commandLine, args, exitCode)) return exitCode;
    return 0;
}
