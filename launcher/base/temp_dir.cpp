// Temporary directory choice: strict pass, relaxed pass, manual override.
#include "launcher/base/temp_dir.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>

#include "launcher/base/code_page.h"
#include "launcher/base/file_system.h"
#include "launcher/base/limits.h"
#include "launcher/base/wformat.h"

namespace {

bool g_relaxed = false;
bool g_cached8 = false;
bool g_cachedWide = false;
char g_temp8[kPathCapacity];
wchar_t g_tempWide[kPathCapacity];
// The "-temp" choice, once both its forms passed the test.
bool g_hasManual = false;
char g_manual8[kPathCapacity];
wchar_t g_manualWide[kPathCapacity];

// The two character widths differ only in the system calls; Api supplies them.
struct Api8 {
    using Char = char;
    static DWORD tempPath(DWORD n, char* b) { return GetTempPathA(n, b); }
    static DWORD env(const char* name, char* b, DWORD n) { return GetEnvironmentVariableA(name, b, n); }
    static UINT windowsDir(char* b, UINT n) { return GetWindowsDirectoryA(b, n); }
    static DWORD longName(const char* p, char* b, DWORD n) { return GetLongPathNameA(p, b, n); }
    static BOOL createDir(const char* p) { return CreateDirectoryA(p, nullptr); }
    static BOOL removeDir(const char* p) { return RemoveDirectoryA(p); }
    static bool exists(const char* p) { return fileExists(p); }
    static void join(char* out, size_t cap, const char* a, const char* b) { std::snprintf(out, cap, "%s%s", a, b); }
    static void probeName(char* out, size_t cap, const char* dir, int pid, int r) {
        std::snprintf(out, cap, "%s\\kvotw%d%d", dir, pid, r);
    }
    static bool hasQuestionMark(const char* p) { return std::strchr(p, '?') != nullptr; }
};

struct ApiWide {
    using Char = wchar_t;
    static DWORD tempPath(DWORD n, wchar_t* b) { return GetTempPathW(n, b); }
    static DWORD env(const char* name, wchar_t* b, DWORD n) {
        wchar_t wideName[32];
        formatWide(wideName, 32, L"%S", name);
        return GetEnvironmentVariableW(wideName, b, n);
    }
    static UINT windowsDir(wchar_t* b, UINT n) { return GetWindowsDirectoryW(b, n); }
    static DWORD longName(const wchar_t* p, wchar_t* b, DWORD n) { return GetLongPathNameW(p, b, n); }
    static BOOL createDir(const wchar_t* p) { return CreateDirectoryW(p, nullptr); }
    static BOOL removeDir(const wchar_t* p) { return RemoveDirectoryW(p); }
    static bool exists(const wchar_t* p) { return fileExists(p); }
    static void join(wchar_t* out, size_t cap, const wchar_t* a, const wchar_t* b) {
        formatWide(out, cap, L"%s%s", a, b);
    }
    static void probeName(wchar_t* out, size_t cap, const wchar_t* dir, int pid, int r) {
        formatWide(out, cap, L"%s\\kvotw%d%d", dir, pid, r);
    }
    static bool hasQuestionMark(const wchar_t* p) { return std::wcschr(p, L'?') != nullptr; }
};

template <typename Api>
bool isUsableDir(const typename Api::Char* path, int checks) {
    using Char = typename Api::Char;
    if (!path || !path[0]) return false;
    if (checks & kDirCreateFirst) Api::createDir(path);
    if (checks & kDirLongNameShows) {
        Char full[kPathCapacity];
        DWORD n = Api::longName(path, full, kPathCapacity);
        if (n > 0 && n < kPathCapacity && Api::hasQuestionMark(full)) return false;
    }
    int pid = static_cast<int>(GetCurrentProcessId());
    Char probe[kPathCapacity];
    Api::probeName(probe, kPathCapacity, path, pid, drawTempRandom());
    Api::removeDir(probe);
    if (!Api::createDir(probe)) return false;
    bool exists = Api::exists(probe);
    Api::removeDir(probe);
    return exists;
}

// Candidate built from environment variables; false when one is missing.
template <typename Api>
bool envCandidate(typename Api::Char* out, const char* first, const char* second, const typename Api::Char* suffix) {
    using Char = typename Api::Char;
    Char a[kPathCapacity], b[kPathCapacity];
    DWORD n = Api::env(first, a, kPathCapacity);
    if (n == 0 || n >= kPathCapacity) return false;
    if (second) {
        DWORD m = Api::env(second, b, kPathCapacity);
        if (m == 0 || m >= kPathCapacity) return false;
        Api::join(out, kPathCapacity, a, b);
    } else {
        Api::join(out, kPathCapacity, a, suffix);
    }
    return true;
}

template <typename Api>
bool windowsCandidate(typename Api::Char* out, const typename Api::Char* suffix) {
    typename Api::Char dir[kPathCapacity];
    UINT n = Api::windowsDir(dir, kPathCapacity);
    if (n == 0 || n >= kPathCapacity) return false;
    Api::join(out, kPathCapacity, dir, suffix);
    return true;
}

template <typename Api>
bool tempPathCandidate(typename Api::Char* out) {
    DWORD n = Api::tempPath(kPathCapacity, out);
    return n > 0 && n < kPathCapacity;
}

// Walks the candidates in their fixed order; the first usable one wins.
template <typename Api>
bool chooseTempDir(typename Api::Char* out, const typename Api::Char* appDataTemp, const typename Api::Char* winTemp,
                   const typename Api::Char* empty, const typename Api::Char* cTemp, const typename Api::Char* cTmp) {
    using Char = typename Api::Char;
    Char c[kPathCapacity];
    auto take = [&](bool ok, int checks) {
        if (ok && isUsableDir<Api>(c, checks)) {
            Api::join(out, kPathCapacity, c, empty);
            return true;
        }
        return false;
    };
    if (take(tempPathCandidate<Api>(c), kDirCreateFirst | kDirLongNameShows)) return true;
    if (take(envCandidate<Api>(c, "USERPROFILE", nullptr, appDataTemp), kDirLongNameShows)) return true;
    if (take(envCandidate<Api>(c, "HOMEDRIVE", "HOMEPATH", empty), kDirLongNameShows)) return true;
    if (take(windowsCandidate<Api>(c, winTemp), kDirAsIs)) return true;
    Api::join(c, kPathCapacity, cTemp, empty);
    if (take(true, kDirAsIs)) return true;
    Api::join(c, kPathCapacity, cTmp, empty);
    if (take(true, kDirAsIs)) return true;
    if (take(windowsCandidate<Api>(c, empty), kDirAsIs)) return true;
    Api::join(c, kPathCapacity, cTmp, empty);
    if (take(true, kDirCreateFirst)) return true;

    g_relaxed = true;
    if (take(tempPathCandidate<Api>(c), kDirCreateFirst)) return true;
    if (take(envCandidate<Api>(c, "USERPROFILE", nullptr, appDataTemp), kDirAsIs)) return true;
    if (take(envCandidate<Api>(c, "HOMEDRIVE", "HOMEPATH", empty), kDirAsIs)) return true;
    return false;
}

}  // namespace

int drawTempRandom() {
    std::srand(static_cast<unsigned>(std::time(nullptr)) * static_cast<unsigned>(GetCurrentProcessId()));
    return std::rand();
}

bool isUsableDir8(const char* path, int checks) { return isUsableDir<Api8>(path, checks); }
bool isUsableDirWide(const wchar_t* path, int checks) { return isUsableDir<ApiWide>(path, checks); }

bool relaxedTempChoice() { return g_relaxed; }

bool findTempDir8(char* out, size_t capacity) {
    if (g_hasManual) {
        std::snprintf(out, capacity, "%s", g_manual8);
        return true;
    }
    if (!g_cached8) {
        if (!chooseTempDir<Api8>(g_temp8, "\\AppData\\Local\\Temp", "\\temp", "", "c:\\temp", "c:\\tmp")) {
            if (capacity) out[0] = '\0';
            return false;
        }
        g_cached8 = true;
    }
    std::snprintf(out, capacity, "%s", g_temp8);
    return true;
}

bool findTempDirWide(wchar_t* out, size_t capacity) {
    if (g_hasManual) {
        formatWide(out, capacity, L"%s", g_manualWide);
        return true;
    }
    if (!g_cachedWide) {
        if (!chooseTempDir<ApiWide>(g_tempWide, L"\\AppData\\Local\\Temp", L"\\temp", L"", L"c:\\temp", L"c:\\tmp")) {
            if (capacity) out[0] = L'\0';
            return false;
        }
        g_cachedWide = true;
    }
    formatWide(out, capacity, L"%s", g_tempWide);
    return true;
}

bool setManualTempDir(const wchar_t* given) {
    // Full from the start: the work routine changes the current directory,
    // and a relative temp directory would then name another place.
    wchar_t directory[kPathCapacity];
    DWORD length = GetFullPathNameW(given, kPathCapacity, directory, nullptr);
    if (length == 0 || length >= kPathCapacity) return false;
    if (!isUsableDirWide(directory, kDirLongNameShows)) return false;
    char narrow[kPathCapacity];
    bool ok = toFileCodePage(directory, narrow, sizeof(narrow)) && isUsableDir8(narrow, kDirLongNameShows);
    if (!ok) {
        wchar_t shortPath[kPathCapacity];
        DWORD n = GetShortPathNameW(directory, shortPath, kPathCapacity);
        ok = n > 0 && n < kPathCapacity && toFileCodePage(shortPath, narrow, sizeof(narrow)) &&
             isUsableDir8(narrow, kDirLongNameShows);
    }
    if (!ok) return false;
    formatWide(g_manualWide, kPathCapacity, L"%s", directory);
    std::snprintf(g_manual8, kPathCapacity, "%s", narrow);
    g_hasManual = true;
    return true;
}

void clearManualTempDir() {
    g_hasManual = false;
    g_manualWide[0] = L'\0';
    g_manual8[0] = '\0';
}

const char* manualTempDir8() { return g_hasManual ? g_manual8 : ""; }
const wchar_t* manualTempDirWide() { return g_hasManual ? g_manualWide : L""; }
