// Path tests and clean-up that need no executable path and write no log:
// relative-path tests, backslash collapsing, existence tests.
#pragma once

bool isRelativePath(const char* path);
bool isRelativePath(const wchar_t* path);

// Every run of backslashes after the first character becomes one; a leading
// double backslash (UNC) stays.
void collapseBackslashes(char* path);
void collapseBackslashes(wchar_t* path);

// A directory listing of the path finds an entry; drive roots always exist.
bool fileExists(const char* path);
bool fileExists(const wchar_t* path);

// The path names an existing directory.
bool isDirectory(const char* path);
