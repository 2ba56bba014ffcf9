// Relative-path tests, backslash collapsing and existence tests.
#include "launcher/base/file_system.h"

#include <windows.h>

#include <cstddef>

#include "launcher/base/scoped.h"

namespace {

template <typename Char>
bool isRelativeImpl(const Char* path) {
    if (!path) return true;
    if (path[0] == Char('"')) ++path;
    size_t n = 0;
    while (n < 3 && path[n]) ++n;
    if (n < 3) return true;
    if (path[1] == Char(':') && path[2] == Char('\\')) return false;
    if (path[0] == Char('\\') && path[1] == Char('\\')) return false;
    return true;
}

template <typename Char>
void collapseImpl(Char* path) {
    if (!path || !path[0]) return;
    size_t out = 1;
    for (size_t i = 1; path[i]; ++i) {
        if (path[i] == Char('\\') && i >= 2 && path[i - 1] == Char('\\')) continue;
        path[out++] = path[i];
    }
    path[out] = Char(0);
}

template <typename Char>
bool isDriveLetter(Char c) {
    return (c >= Char('A') && c <= Char('Z')) || (c >= Char('a') && c <= Char('z'));
}

template <typename Char>
bool isDriveRoot(const Char* path) {
    if (!isDriveLetter(path[0]) || path[1] != Char(':') || path[2] != Char('\\')) return false;
    const Char* rest = path + 3;
    if (!rest[0]) return true;
    if (rest[0] == Char('.') && !rest[1]) return true;
    return rest[0] == Char('.') && rest[1] == Char('\\') && rest[2] == Char('.') && !rest[3];
}

}  // namespace

bool isRelativePath(const char* path) { return isRelativeImpl(path); }
bool isRelativePath(const wchar_t* path) { return isRelativeImpl(path); }

void collapseBackslashes(char* path) { collapseImpl(path); }
void collapseBackslashes(wchar_t* path) { collapseImpl(path); }

bool fileExists(const char* path) {
    if (!path || !path[0]) return false;
    if (isDriveRoot(path)) return true;
    WIN32_FIND_DATAA entry;
    return ScopedFindHandle(FindFirstFileA(path, &entry)).valid();
}

bool fileExists(const wchar_t* path) {
    if (!path || !path[0]) return false;
    if (isDriveRoot(path)) return true;
    WIN32_FIND_DATAW entry;
    return ScopedFindHandle(FindFirstFileW(path, &entry)).valid();
}

bool isDirectory(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
