// The install-started registry values under HKCU\SOFTWARE\morvane\kavro\:
// "InstallStarted" and "InstallStarted_<pid>".
#pragma once
#include <windows.h>

// The two values, as bits of a set.
enum InstallMarker { kPerProcessMarker = 1, kGlobalMarker = 2, kBothMarkers = 3 };

// Write 1 into, or delete, the values of the set `markers`. Nothing happens
// in language-restart mode.
void writeInstallMarkers(int markers);
void deleteInstallMarkers(int markers);
// Deletes every value this process ever wrote (whatever it holds now: the
// Java side turns 1 into 2). Each end of a start calls it; values left by a
// killed process stay.
void clearOwnInstallMarkers();
// The DWORD of one value; 0 when missing.
DWORD readInstallMarker(InstallMarker marker);
