// The Java runtime shipped in the payload or downloaded ("jre.tar.gz"):
// unpacked into "jre" below the extraction directory, its pack200 archives
// restored (jre/pack200.h), and its JVM library loaded.
#pragma once
#include <windows.h>

// Untars jre.tar.gz into "jre" (relative to the current directory, which is
// the extraction directory), restores packed jars and loads the runtime.
// True, or the process ends with the fatal message of a corrupt archive.
bool prepareIncludedJre(HWND dialog);
// Loads the runtime in "jre", else any runtime the search finds; true or the
// process ends.
bool useIncludedJre();
// Unpacks archive into directory, moving the dialog's progress bar through
// 100..200 against scale (the archive's uncompressed size; 0: no progress).
// False when the archive is damaged or hostile; the fatal message for a file
// that cannot be created ends the process here.
bool untarJre(const char* archive, const char* directory, HWND dialog, int scale);
