// Start-up sequence of the launcher.
#include "launcher/startup.h"

int runLauncher(HINSTANCE instance, const char* commandLine, int showWindow) {
    (void)instance;
    (void)commandLine;
    (void)showWindow;
    return 0;
}
