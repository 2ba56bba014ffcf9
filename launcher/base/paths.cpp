// The executable's own path and the path resolution built on it.
#include "launcher/base/paths.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "launcher/base/code_page.h"
#include "launcher/base/file_system.h"
#include "launcher/base/letter_case.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/wformat.h"

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

bool resolvePath(const wchar_t* path, const wchar_t* baseFile, ExeDirForm exeDir, wchar_t* out, size_t capacity) {
    wchar_t dir[kPathCapacity] = L"";
    if (isRelativePath(path)) {
        if (baseFile) {
            if (!baseDirectory(baseFile, dir, kPathCapacity)) return false;
        } else {
            formatWide(dir, kPathCapacity, L"%s", exeDir == kLongExeDir ? exeDirWide() : exeDirWidened());
        }
    }
    size_t needed = std::wcslen(dir) + std::wcslen(path);
    formatWide(out, capacity, L"%s%s", dir, path);
    collapseBackslashes(out);
    return needed < capacity;
}

bool fullPath(const char* path, PathCase pathCase, char* out, size_t capacity) {
    char resolved[kPathCapacity];
    if (!resolvePath(path, nullptr, resolved, sizeof(resolved))) return false;
    DWORD n = GetFullPathNameA(resolved, static_cast<DWORD>(capacity), out, nullptr);
    if (n == 0 || n >= capacity) return false;
    if (pathCase == kLowerCase) {
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

bool fullPath(const wchar_t* path, PathCase pathCase, wchar_t* out, size_t capacity) {
    wchar_t resolved[kPathCapacity];
    if (!resolvePath(path, nullptr, kWidenedExeDir, resolved, kPathCapacity)) return false;
    DWORD n = GetFullPathNameW(resolved, static_cast<DWORD>(capacity), out, nullptr);
    if (n == 0 || n >= capacity) return false;
    if (pathCase == kLowerCase) toLowerCase(out, std::wcslen(out));
    collapseBackslashes(out);
    return true;
}
