// Windows GUI entry point: everything it does lives in runLauncher.
#include <windows.h>

#include "launcher/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showWindow) {
    return runLauncher(instance, commandLine, showWindow);
}
