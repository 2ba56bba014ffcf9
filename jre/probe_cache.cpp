// The two registry lists that every run of the launcher shares: the per-user
// probe cache (java.exe path -> last-write time and version) and the list of
// java.exe paths located by hand.
#include "jre/probe.h"

#include <cstdio>
#include <cstring>

#include "jre/registry_names.h"
#include "launcher/base/limits.h"
#include "launcher/base/scoped.h"

namespace {

const char kProbeCacheKey[] = "SOFTWARE\\morvane\\kavro\\jvms";

// Versions that earlier launchers wrote for runtimes they could not read
// properly; such an entry is probed again.
bool isStaleVersion(const char* version) {
    return std::strcmp(version, "1.7.") == 0 || std::strcmp(version, "1.6.") == 0 || std::strcmp(version, "1.5.") == 0;
}

bool cachedTimeMatches(HKEY key, const FILETIME& lastWrite) {
    BYTE stored[16];
    DWORD size = sizeof(stored);
    if (RegQueryValueExA(key, "LastWriteTime", nullptr, nullptr, stored, &size) != ERROR_SUCCESS) return false;
    return size == sizeof(FILETIME) && std::memcmp(stored, &lastWrite, sizeof(FILETIME)) == 0;
}

// Reads "Version", keeping one byte free so that data stored without a
// terminating NUL can be terminated inside the buffer.
bool readCachedVersion(HKEY key, char* version, size_t capacity) {
    if (capacity < 2) return false;
    DWORD size = static_cast<DWORD>(capacity - 1);
    if (RegQueryValueExA(key, "Version", nullptr, nullptr, reinterpret_cast<BYTE*>(version), &size) != ERROR_SUCCESS)
        return false;
    if (size == 0 || version[size - 1] != '\0') version[size] = '\0';
    return true;
}

}  // namespace

bool lookupProbeCache(const char* path, const FILETIME& lastWrite, char* version, size_t capacity) {
    char name[kRegistryNameCapacity];
    if (!registryNameForPath(kProbeCacheKey, path, name, sizeof(name))) return false;
    ScopedRegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, name, 0, KEY_READ, key.receive()) != ERROR_SUCCESS) return false;
    bool hit = cachedTimeMatches(key.get(), lastWrite) && readCachedVersion(key.get(), version, capacity) &&
               !isStaleVersion(version);
    return hit;
}

void storeProbeCache(const char* path, const FILETIME& lastWrite, const char* version) {
    char name[kRegistryNameCapacity];
    if (!registryNameForPath(kProbeCacheKey, path, name, sizeof(name))) return;
    ScopedRegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        key.receive(), nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key.get(), "LastWriteTime", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&lastWrite),
                   sizeof(FILETIME));
    RegSetValueExA(key.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   static_cast<DWORD>(std::strlen(version)));
}

void registerLocatedJvm(const char* javaExe) {
    char name[kRegistryNameCapacity];
    if (!registryNameForPath(kLocatedJvmsKey, javaExe, name, sizeof(name))) return;
    ScopedRegistryKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        key.receive(), nullptr) != ERROR_SUCCESS &&
        RegCreateKeyExA(HKEY_CURRENT_USER, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        key.receive(), nullptr) != ERROR_SUCCESS)
        return;
}
