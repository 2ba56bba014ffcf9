// Choosing a usable temporary directory (tested by really creating a
// directory in it), temporary file names, and the extraction directory.
#pragma once
#include <cstddef>

// Fills out with the 8-bit temp directory (manual, cached or chosen); when no
// candidate is usable the process ends with message 1015.
void chooseTempDir8(char* out, size_t capacity);
// The same in UTF-16; when none is usable, out is emptied and the process ends
// only if fatal is set.
void chooseTempDirWide(wchar_t* out, size_t capacity, bool fatal);

bool isUsableDir8(const char* path, bool create, bool longName);
bool isUsableDirWide(const wchar_t* path, bool create, bool longName);

// True when a chooser had to fall back to its relaxed pass.
bool relaxedTempChoice();

// Tests a user-given temp directory in both forms; when both pass, both
// choosers return it from then on. The forms are also stored in g_launcher.
bool setManualTempDir(const wchar_t* directory);

// A fresh temp file name with the prefix "kvo" (the empty file is created
// when the system provides the name).
void makeTempFileName(char* out, size_t capacity);

// Creates the extraction directory and stores it in g_launcher.extractionDir;
// ends the process (1009, "7") after ten failed attempts.
void createExtractionDir();
