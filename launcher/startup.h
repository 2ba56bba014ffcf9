// Start-up: mode selection, switches, configuration and the choice of run style.
#pragma once
#include <windows.h>

// The whole life of the process from the entry point; returns the exit code.
int runLauncher(HINSTANCE instance, const char* commandLine, int showWindow);
