// Choosing a usable temporary directory (tested by really creating a
// directory in it), in its 8-bit and UTF-16 forms, and the user's override.
// Nothing here ends the process: a caller that cannot go on without a
// directory decides that (see launcher/temp_files.h).
#pragma once
#include <cstddef>

// The temp directory (manual, cached or chosen) into out; false, with out
// emptied, when no candidate is usable.
bool findTempDir8(char* out, size_t capacity);
bool findTempDirWide(wchar_t* out, size_t capacity);

// What isUsableDir checks besides creating and removing a probe directory in path.
enum UsableDirCheck {
    kDirAsIs = 0,
    kDirCreateFirst = 1,    // try to create path itself first
    kDirLongNameShows = 2,  // reject a path whose long form needs "?" in this code page
};
bool isUsableDir8(const char* path, int checks);
bool isUsableDirWide(const wchar_t* path, int checks);

// A number for probe and fallback names, seeded from the time and process id.
int drawTempRandom();

// True when a chooser had to fall back to its relaxed pass.
bool relaxedTempChoice();

// Tests a user-given temp directory, made a full path against the current
// directory, in both forms; when both pass, both choosers return it from then on.
bool setManualTempDir(const wchar_t* directory);
void clearManualTempDir();
// The two forms of the manual temp directory (full paths); empty when none is set.
const char* manualTempDir8();
const wchar_t* manualTempDirWide();
