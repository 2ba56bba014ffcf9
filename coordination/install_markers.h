// The install-started registry values under HKCU\SOFTWARE\morvane\kavro\:
// "InstallStarted" and "InstallStarted_<pid>".
#pragma once
#include <windows.h>

// set: write 1 (true) or delete (false); perProcess / global select the values.
// Does nothing in language-restart mode.
void setInstallMarkers(bool set, bool perProcess, bool global);
// The DWORD of the per-process (true) or global (false) value; 0 when missing.
DWORD readInstallMarker(bool perProcess);
