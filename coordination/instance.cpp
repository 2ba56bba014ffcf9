// The instance semaphore (one name per executable path, numbered in
// multi-instance mode) and the per-user record of the running instance.
#include "coordination/instance.h"

#include <cstdio>
#include <cstring>

#include "coordination/windows.h"
#include "launcher/base/code_page.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/file_system.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/paths.h"
#include "launcher/base/scoped.h"
#include "launcher/errors.h"
#include "payload/config.h"

namespace {

constexpr char kPidKey[] = "SOFTWARE\\morvane\\kavro\\pids\\";
constexpr int kLastInstanceNumber = 100000;
constexpr int kPidPolls = 50;
constexpr DWORD kPidPollMillis = 100;

char g_semaphoreName[kPathCapacity] = "";

// Lowering is safe only when the 8-bit text is exactly what UTF-16 gives back.
bool survivesRoundTrip(const char* path) {
    wchar_t wide[kPathCapacity];
    char back[kPathCapacity];
    return fromFileCodePage(path, wide, kPathCapacity) && toFileCodePage(wide, back, sizeof(back)) &&
           std::strcmp(back, path) == 0;
}

void lowerAscii(char* text) {
    for (char* p = text; *p; ++p)
        if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p - 'A' + 'a');
}

// "Global\" or "Local\", then the canonical path with backslashes and blanks as "_".
bool semaphoreBaseName(char* out, size_t capacity) {
    char path[kPathCapacity];
    if (!canonicalExecutablePath(path, sizeof(path))) return false;
    for (char* p = path; *p; ++p)
        if (*p == '\\' || *p == ' ') *p = '_';
    const char* prefix = getConfigInt(kKeyGlobalSemaphore) != 0 ? "Global\\" : "Local\\";
    int n = std::snprintf(out, capacity, "%s%s", prefix, path);
    return n > 0 && static_cast<size_t>(n) < capacity;
}

// Through the UTF-16 call: the 8-bit one refuses names beyond MAX_PATH, and
// the name holds the whole executable path.
HANDLE createInstanceSemaphore(const char* name, DWORD* error) {
    wchar_t wide[kPathCapacity];
    if (!fromFileCodePage(name, wide, kPathCapacity)) {
        *error = GetLastError();
        return nullptr;
    }
    HANDLE semaphore = CreateSemaphoreW(nullptr, 1, 1, wide);
    *error = GetLastError();
    return semaphore;
}

void logSemaphore(const char* name, DWORD error, HANDLE semaphore) {
    logMessage(L"semaphore name %S, code %d, value %p", name, static_cast<int>(error), semaphore);
}

// The name is published only while this run holds the semaphore: the Java
// side hands it to the deletion mode as the sign that the launcher still runs.
// The handle stays open until the process ends.
void keepSemaphore(ScopedHandle& semaphore, const char* name) {
    if (!semaphore.valid()) {
        logError(L"semaphore %S could not be created; no instance name is passed on", name);
        return;
    }
    semaphore.release();
    std::snprintf(g_semaphoreName, sizeof(g_semaphoreName), "%s", name);
}

void claimNumberedInstance(const char* base) {
    char name[kPathCapacity];
    ScopedHandle semaphore;
    DWORD error = 0;
    // Only the number this run settles on is logged, not every one it passes.
    for (int n = 0;; ++n) {
        if (std::snprintf(name, sizeof(name), "%s%d", base, n) >= static_cast<int>(sizeof(name))) return;
        semaphore.reset(createInstanceSemaphore(name, &error));
        if (error != ERROR_ALREADY_EXISTS || n >= kLastInstanceNumber) break;
    }
    logSemaphore(name, error, semaphore.get());
    keepSemaphore(semaphore, name);
}

[[noreturn]] void yieldToRunningInstance() {
    DWORD pid = readInstancePid();
    for (int poll = 0; pid == 0 && poll < kPidPolls; ++poll) {
        Sleep(kPidPollMillis);
        pid = readInstancePid();
    }
    logMessage(L"other pid %d", static_cast<int>(pid));
    if (pid != 0 && getConfigInt(kKeyFrontOnSecondStart) != 0) bringProcessToFront(pid, kRestoreMinimised);
    logMessage(L"exiting");
    exitLauncher(0);
}

}  // namespace

bool canonicalExecutablePath(char* out, size_t capacity) {
    // Normalised in UTF-16: the 8-bit call fails for paths beyond MAX_PATH.
    wchar_t path[kPathCapacity];
    wchar_t full[kPathCapacity];
    if (!fromFileCodePage(exePath(), path, kPathCapacity) || !fullPath(path, kKeepCase, full, kPathCapacity) ||
        !toFileCodePage(full, out, capacity))
        return false;
    if (survivesRoundTrip(out)) lowerAscii(out);
    collapseBackslashes(out);
    return true;
}

void claimInstance() {
    char base[kPathCapacity];
    if (!semaphoreBaseName(base, sizeof(base))) {
        logError(L"no semaphore name for %S", exePath());
        return;
    }
    if (getConfigInt(kKeySingleInstance) == 0) {
        claimNumberedInstance(base);
        return;
    }
    logMessage(L"single instance mode");
    DWORD error = 0;
    ScopedHandle semaphore(createInstanceSemaphore(base, &error));
    logSemaphore(base, error, semaphore.get());
    if (error != ERROR_ALREADY_EXISTS) {
        keepSemaphore(semaphore, base);
        registerInstancePid();
        return;
    }
    semaphore.close();
    yieldToRunningInstance();
}

const char* instanceSemaphoreName() { return g_semaphoreName; }

void registerInstancePid() {
    char path[kPathCapacity];
    if (!canonicalExecutablePath(path, sizeof(path))) return;
    ScopedRegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kPidKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.receive(), nullptr) !=
        ERROR_SUCCESS)
        return;
    DWORD pid = GetCurrentProcessId();
    RegSetValueExA(key.get(), path, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&pid), sizeof(pid));
}

DWORD readInstancePid() {
    char path[kPathCapacity];
    if (!canonicalExecutablePath(path, sizeof(path))) return 0;
    ScopedRegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kPidKey, 0, KEY_READ, key.receive()) != ERROR_SUCCESS) return 0;
    DWORD pid = 0;
    DWORD size = sizeof(pid);
    LONG status = RegQueryValueExA(key.get(), path, nullptr, nullptr, reinterpret_cast<BYTE*>(&pid), &size);
    return status == ERROR_SUCCESS && size == sizeof(pid) ? pid : 0;
}
