// The second stage of start-up: keep-log and temp switches, configuration,
// product name and working directory.
#pragma once
#include <windows.h>

class ArgumentList;

void applyStartupSwitches(HINSTANCE instance, ArgumentList& arguments, bool handleTempSwitch);
