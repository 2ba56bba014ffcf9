// Path helpers shared by the whole launcher: the executable's own path in its
// 8-bit and UTF-16 forms, relative-path tests and resolution against the
// executable's directory, full paths, backslash collapsing, existence tests.
// Every output buffer is bounded by the capacity passed with it.
#pragma once
#include <cstddef>

// The executable's 8-bit path: the long path when the file-API code page can
// show it and it ends in ".exe", else its short form. Computed once.
const char* exePath();
// The executable's long UTF-16 path. Computed once.
const wchar_t* exePathWide();
// Directories of the above, each ending with a backslash.
const char* exeDir8();
const wchar_t* exeDirWide();       // from the long UTF-16 path
const wchar_t* exeDirWidened();    // the 8-bit directory widened

bool isRelativePath(const char* path);
bool isRelativePath(const wchar_t* path);

// A relative path is prefixed with the directory of baseFile (when given) or
// the executable's directory; then backslash runs are collapsed. False when the
// result does not fit.
bool resolvePath(const char* path, const char* baseFile, char* out, size_t capacity);
// useLongExeDir picks the executable directory from the long UTF-16 path
// instead of the widened 8-bit one.
bool resolvePath(const wchar_t* path, const wchar_t* baseFile, bool useLongExeDir, wchar_t* out,
                 size_t capacity);

// resolvePath, then the system's full-path normalisation, then (unless
// keepCase) lower case, then backslash collapsing.
bool fullPath(const char* path, bool keepCase, char* out, size_t capacity);
bool fullPath(const wchar_t* path, bool keepCase, wchar_t* out, size_t capacity);

// Every run of backslashes after the first character becomes one; a leading
// double backslash (UNC) stays.
void collapseBackslashes(char* path);
void collapseBackslashes(wchar_t* path);

// A directory listing of the path finds an entry; drive roots always exist.
bool fileExists(const char* path);
bool fileExists(const wchar_t* path);

// The path names an existing directory.
bool isDirectory(const char* path);

// UTF-16 to the file-API code page (ANSI, or OEM when switched); false when a
// character needed the default "?" or the result does not fit.
bool toFileCodePage(const wchar_t* text, char* out, size_t capacity);
// The file-API code page to UTF-16, bounded.
bool fromFileCodePage(const char* text, wchar_t* out, size_t capacity);
