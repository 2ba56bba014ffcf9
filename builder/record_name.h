// Record names: what a name in key 2003 may look like, and the form the
// launcher expects (backslash between a directory and a file name).
#pragma once
#include <string>

// Checks a record name as written in a project (either slash allowed) and
// gives its stored form with backslashes. depth is the number of directory
// levels. False with the reason when the name cannot be extracted safely.
bool normaliseRecordName(const std::string& name, std::string* stored, int* depth, std::string* problem);

// The name as Windows compares file names (ASCII case folded), for spotting
// two records that would land in the same file.
std::string recordNameFoldedKey(const std::string& stored);
