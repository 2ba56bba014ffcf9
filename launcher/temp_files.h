// The temp directory and temp file names a launch cannot go on without, and
// the extraction directory: here a missing directory ends the process.
#pragma once
#include <cstddef>

// Fills out with the 8-bit temp directory; when no candidate is usable the
// process ends with message 1015.
void chooseTempDir8(char* out, size_t capacity);

// A fresh temp file name with the prefix "kvo"; true when the system
// provided it and with it created the empty file.
bool makeTempFileName(char* out, size_t capacity);

// Creates the extraction directory and stores it in g_launcher.extractionDir;
// ends the process (1009, "7") after ten failed attempts.
void createExtractionDir();
