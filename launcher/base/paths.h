// The executable's own path in its 8-bit and UTF-16 forms, resolution of
// relative paths against its directory, and full paths. Every output buffer
// is bounded by the capacity passed with it.
#pragma once
#include <cstddef>

// The executable's 8-bit path: the long path when the file-API code page can
// show it and it ends in ".exe", else its short form. Computed once.
const char* exePath();
// The executable's long UTF-16 path. Computed once.
const wchar_t* exePathWide();
// Directories of the above, each ending with a backslash.
const char* exeDir8();
const wchar_t* exeDirWide();     // from the long UTF-16 path
const wchar_t* exeDirWidened();  // the 8-bit directory widened

// A relative path is prefixed with the directory of baseFile (when given) or
// the executable's directory; then backslash runs are collapsed. False when the
// result does not fit.
bool resolvePath(const char* path, const char* baseFile, char* out, size_t capacity);
// Which form of the executable's directory a UTF-16 path is resolved against:
// the 8-bit directory widened (it survives a trip through the file-API code
// page) or the long UTF-16 one.
enum ExeDirForm { kWidenedExeDir, kLongExeDir };
bool resolvePath(const wchar_t* path, const wchar_t* baseFile, ExeDirForm exeDir, wchar_t* out, size_t capacity);

// resolvePath, then the system's full-path normalisation, then (kLowerCase)
// lower case, then backslash collapsing.
enum PathCase { kKeepCase, kLowerCase };
bool fullPath(const char* path, PathCase pathCase, char* out, size_t capacity);
bool fullPath(const wchar_t* path, PathCase pathCase, wchar_t* out, size_t capacity);
