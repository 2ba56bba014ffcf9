// The steps between creating the JVM and calling main: binding the natives,
// telling WinDel the executable's path, and the first-run check.
#pragma once

// Configuration key 2001 is "i": natives, first-run check, installer entry class.
bool installerFlavour();

// Installer flavour only: binds the natives through the exported
// registerNatives, announcing it to the runtime's Common class.
void bindRuntimeNatives();
// Calls Common.initFromLauncher: true before the natives are bound, false
// when binding them failed. False when the class or method is missing.
enum NativesNews { kNativesComing, kNativesFailed };
bool callInitFromLauncher(NativesNews news);
// Stores the executable's path in WinDel.externalExecutable.
void setWinDelExecutable();
// True when main may be called: no first-run marker, or FirstRun.firstRun()
// said yes. A missing FirstRun class or method ends the process (1009).
bool checkFirstRun();
