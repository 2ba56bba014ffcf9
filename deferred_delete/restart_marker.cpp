// Restart marker; see restart_marker.h.
#include "deferred_delete/restart_marker.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <cwchar>

#include "deferred_delete/deletion_state.h"
#include "deferred_delete/entry_removal.h"
#include "launcher/base/scoped.h"
#include "launcher/base/wformat.h"

namespace {

const wchar_t kMarkerKey[] = L"SOFTWARE\\morvane\\tolvanrix\\";
const wchar_t kMarkerValue[] = L"RebootCheckFile";

void environmentValue(const wchar_t* name, wchar_t* out, DWORD cap) {
    DWORD length = GetEnvironmentVariableW(name, out, cap);
    if (length == 0 || length >= cap) out[0] = L'\0';
}

// The user's temp directory, or the profile directory when there is none.
void markerDirectory(wchar_t* dir, DWORD cap) {
    DWORD length = GetTempPathW(cap, dir);
    if (length > 0 && length < cap) {
        CreateDirectoryW(dir, nullptr);
        return;
    }
    wchar_t drive[MAX_PATH];
    wchar_t path[kListUnits];
    environmentValue(L"HOMEDRIVE", drive, MAX_PATH);
    environmentValue(L"HOMEPATH", path, kListUnits);
    formatWide(dir, cap, L"%s%s", drive, path);
}

// The system names and creates the file; when it cannot, a random name is made
// up and created here, since only an existing file tells of a pending restart.
void makeMarkerFile(const wchar_t* dir, wchar_t* name, size_t cap) {
    if (GetTempFileNameW(dir, L"ide", 0, name) != 0) return;
    size_t length = std::wcslen(dir);
    const wchar_t* separator = (length > 0 && dir[length - 1] != L'\\' && dir[length - 1] != L'/') ? L"\\" : L"";
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    formatWide(name, cap, L"%s%skvo%d", dir, separator, std::rand());
    ScopedHandle(CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void storeMarkerPath(HKEY root, const wchar_t* path) {
    ScopedRegistryKey key;
    if (RegCreateKeyExW(root, kMarkerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.receive(), nullptr) !=
        ERROR_SUCCESS)
        return;
    DWORD size = static_cast<DWORD>((std::wcslen(path) + 1) * sizeof(wchar_t));
    RegSetValueExW(key.get(), kMarkerValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), size);
}

}  // namespace

void leaveRestartMarker() {
    static wchar_t dir[kListUnits];
    static wchar_t name[kListUnits];
    markerDirectory(dir, kListUnits);
    makeMarkerFile(dir, name, kListUnits);
    if (!scheduleDeletionAtRestart(name)) return;
    storeMarkerPath(HKEY_LOCAL_MACHINE, name);
    storeMarkerPath(HKEY_CURRENT_USER, name);
}
