// The restart marker: a temp file scheduled for deletion at restart whose path
// is stored as "RebootCheckFile"; while the file exists, the restart that the
// deferred deletion needs has not happened yet.
#pragma once

// Creates the marker file, schedules it and records it in HKLM and HKCU.
// Registry failures are ignored, each root on its own.
void leaveRestartMarker();
