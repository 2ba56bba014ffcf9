// The executable's own path and the path helpers built on it.
#include "launcher/paths.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "launcher/letter_case.h"
#include "launcher/limits.h"
#include "launcher/log.h"
#include "launcher/wformat.h"

namespace {

struct ExecutablePaths {
    bool ready = false;
    char path8[kPathCapacity] = {};
    wchar_t pathWide[kPathCapacity] = {};
    char dir8[kPathCapacity] = {};
    wchar_t dirWide[kPathCapacity] = {};
    wchar_t dirWidened[kPathCapacity] = {};
};

ExecutablePaths g_exe;

UINT fileCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

bool endsWithExe(const char* path) {
    size_t n = std::strlen(path);
    return n >= 4 && _stricmp(path + n - 4, ".exe") == 0;
}

template <typename Char>
void cutAfterLastBackslash(Char* path) {
    Char* last = nullptr;
    for (Char* p = path; *p; ++p)
        if (*p == Char('\\')) last = p;
    if (last) last[1] = Char(0);
}

void computeExecutablePaths() {
    wchar_t module[kPathCapacity];
    DWORD moduleLength = GetModuleFileNameW(nullptr, module, kPathCapacity);
    if (moduleLength >= kPathCapacity) moduleLength = 0;
    module[moduleLength] = L'\0';
    DWORD longLength = GetLongPathNameW(module, g_exe.pathWide, kPathCapacity);
    DWORD error = GetLastError();
    logMessage(L"init file name %s %s %d %d", module, longLength && longLength < kPathCapacity ? g_exe.pathWide : L"",
               static_cast<int>(longLength), static_cast<int>(error));
    if (longLength == 0 || longLength >= kPathCapacity) formatWide(g_exe.pathWide, kPathCapacity, L"%s", module);

    bool accepted = toFileCodePage(g_exe.pathWide, g_exe.path8, kPathCapacity) && endsWithExe(g_exe.path8);
    if (!accepted) {
        wchar_t shortPath[kPathCapacity];
        DWORD n = GetShortPathNameW(g_exe.pathWide, shortPath, kPathCapacity);
        accepted = n > 0 && n < kPathCapacity && toFileCodePage(shortPath, g_exe.path8, kPathCapacity) &&
                   endsWithExe(g_exe.path8);
    }
    if (!accepted) {
        char module8[kPathCapacity];
        DWORD n = GetModuleFileNameA(nullptr, module8, kPathCapacity);
        if (n >= kPathCapacity) n = 0;
        module8[n] = '\0';
        DWORD s = GetShortPathNameA(module8, g_exe.path8, kPathCapacity);
        if (s == 0 || s >= kPathCapacity) std::snprintf(g_exe.path8, kPathCapacity, "%s", module8);
    }
    collapseBackslashes(g_exe.path8);
    collapseBackslashes(g_exe.pathWide);

    std::snprintf(g_exe.dir8, kPathCapacity, "%s", g_exe.path8);
    cutAfterLastBackslash(g_exe.dir8);
    formatWide(g_exe.dirWide, kPathCapacity, L"%s", g_exe.pathWide);
    cutAfterLastBackslash(g_exe.dirWide);
    fromFileCodePage(g_exe.dir8, g_exe.dirWidened, kPathCapacity);
    g_exe.ready = true;
}

const ExecutablePaths& executable() {
    if (!g_exe.ready) computeExecutablePaths();
    return g_exe;
}

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

// Directory part (up to and including the last backslash) of a file's full path.
bool baseDirectory(const char* baseFile, char* out, size_t capacity) {
    DWORD n = GetFullPathNameA(baseFile, static_cast<DWORD>(capacity), out, nullptr);
    if (n == 0 || n >= capacity) return false;
    cutAfterLastBackslash(out);
    return true;
}

bool baseDirectory(const wchar_t* baseFile, wchar_t* out, size_t capacity) {
    DWORD n = GetFullPathNameW(baseFile, static_cast<DWORD>(capacity), out, nullptr);
    if (n == 0 || n >= capacity) return false;
    cutAfterLastBackslash(out);
    return true;
}

}  // namespace

const char* exePath() { return executable().path8; }
const wchar_t* exePathWide() { return executable().pathWide; }
const char* exeDir8() { return executable().dir8; }
const wchar_t* exeDirWide() { return executable().dirWide; }
const wchar_t* exeDirWidened() { return executable().dirWidened; }

bool isRelativePath(const char* path) { return isRelativeImpl(path); }
bool isRelativePath(const wchar_t* path) { return isRelativeImpl(path); }

void collapseBackslashes(char* path) { collapseImpl(path); }
void collapseBackslashes(wchar_t* path) { collapseImpl(path); }

bool resolvePath(const char* path, const char* baseFile, char* out, size_t capacity) {
    char dir[kPathCapacity] = "";
    if (isRelativePath(path)) {
        if (baseFile) {
            if (!baseDirectory(baseFile, dir, sizeof(dir))) return false;
        } else {
            std::snprintf(dir, sizeof(dir), "%s", exeDir8());
        }
    }
    size_t needed = std::strlen(dir) + std::strlen(path);
    std::snprintf(out, capacity, "%s%s", dir, path);
    collapseBackslashes(out);
    return needed < capacity;
}

bool resolvePath(const wchar_t* path, const wchar_t* baseFile, bool useLongExeDir, wchar_t* out, size_t capacity) {
    wchar_t dir[kPathCapacity] = L"";
    if (isRelativePath(path)) {
        if (baseFile) {
            if (!baseDirectory(baseFile, dir, kPathCapacity)) return false;
        } else {
            formatWide(dir, kPathCapacity, L"%s", useLongExeDir ? exeDirWide() : exeDirWidened());
        }
    }
    size_t needed = std::wcslen(dir) + std::wcslen(path);
    formatWide(out, capacity, L"%s%s", dir, path);
    collapseBackslashes(out);
    return needed < capacity;
}

bool fullPath(const char* path, bool keepCase, char* out, size_t capacity) {
    char resolved[kPathCapacity];
    if (!resolvePath(path, nullptr, resolved, sizeof(resolved))) return false;
    DWORD n = GetFullPathNameA(resolved, static_cast<DWORD>(capacity), out, nullptr);
    if (n == 0 || n >= capacity) return false;
    if (!keepCase) {
        wchar_t wide[kPathCapacity];
        char lowered[kPathCapacity];
        if (fromFileCodePage(out, wide, kPathCapacity)) {
            toLowerCase(wide, std::wcslen(wide));
            if (toFileCodePage(wide, lowered, sizeof(lowered)) && std::strlen(lowered) < capacity)
                std::snprintf(out, capacity, "%s", lowered);
        }
    }
    collapseBackslashes(out);
    return true;
}

bool fullPath(const wchar_t* path, bool keepCase, wchar_t* out, size_t capacity) {
    wchar_t resolved[kPathCapacity];
    if (!resolvePath(path, nullptr, false, resolved, kPathCapacity)) return false;
    DWORD n = GetFullPathNameW(resolved, static_cast<DWORD>(capacity), out, nullptr);
    if (n == 0 || n >= capacity) return false;
    if (!keepCase) toLowerCase(out, std::wcslen(out));
    collapseBackslashes(out);
    return true;
}

bool fileExists(const char* path) {
    if (!path || !path[0]) return false;
    if (isDriveRoot(path)) return true;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(path, &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
}

bool fileExists(const wchar_t* path) {
    if (!path || !path[0]) return false;
    if (isDriveRoot(path)) return true;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(path, &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
}

bool isDirectory(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool toFileCodePage(const wchar_t* text, char* out, size_t capacity) {
    if (capacity == 0) return false;
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(fileCodePage(), 0, text, -1, out, static_cast<int>(capacity), "?", &usedDefault);
    if (n == 0) {
        out[0] = '\0';
        return false;
    }
    return !usedDefault;
}

bool fromFileCodePage(const char* text, wchar_t* out, size_t capacity) {
    if (capacity == 0) return false;
    int n = MultiByteToWideChar(fileCodePage(), 0, text, -1, out, static_cast<int>(capacity));
    if (n == 0) {
        out[0] = L'\0';
        return false;
    }
    return true;
}
