// pack200: jars shipped as "*.jar.pack" are restored by the runtime's own
// unpack200.exe, for the included runtime, any runtime directory the search
// tests, and packed payload files.
#pragma once
#include <windows.h>

// Restores every "*.jar.pack" below lib and lib\ext of a runtime home that
// has no jar of that name yet.
void unpackJreDirectory(const char* home);
// Restores one ".pack" file with jreHome's bin\unpack200.exe, then deletes it.
void unpackFile(const char* jreHome, const char* packFile);
// The progress thread of the pack200 step, paced by the untar's duration.
void startUnpackProgress(HWND dialog, DWORD untarMilliseconds);
void finishUnpackProgress();
