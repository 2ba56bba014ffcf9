// The second stage of start-up: keep-log and temp switches, configuration,
// product name and working directory.
#pragma once
#include <windows.h>

class ArgumentList;

// Whether the "-temp" switch is taken here or left in the arguments.
enum TempSwitch { kLeaveTempSwitch, kTakeTempSwitch };
void applyStartupSwitches(HINSTANCE instance, ArgumentList& arguments, TempSwitch tempSwitch);
