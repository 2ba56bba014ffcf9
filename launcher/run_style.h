// The four run styles of a normal launch: quiet, splash, no dialog, and the
// modal progress dialog whose initialisation starts the work routine.
#pragma once
#include <windows.h>

struct LaunchSwitches;

// Runs the launch in the first style that fits; returns when it has ended,
// with the exit code.
int runInChosenStyle(HINSTANCE instance, const LaunchSwitches& switches, int showWindow);
