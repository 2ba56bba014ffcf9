// Removal of listed entries; see entry_removal.h.
#include "deferred_delete/entry_removal.h"

#include <windows.h>

#include <cwchar>

#include "deferred_delete/deletion_state.h"
#include "launcher/base/scoped.h"

namespace {

bool entryExists(const wchar_t* path) {
    WIN32_FIND_DATAW found;
    return ScopedFindHandle(FindFirstFileW(path, &found)).valid();
}

bool deleteFileEntry(const wchar_t* path) { return DeleteFileW(path) != FALSE; }
bool removeDirectoryEntry(const wchar_t* path) { return RemoveDirectoryW(path) != FALSE; }

// True when the entry is gone or will be gone at restart without waiting.
bool removeOrHandOver(const wchar_t* path, bool (*remove)(const wchar_t*)) {
    if (remove(path) || !entryExists(path)) return true;
    if (isLauncherOwnedTemp(path)) {
        scheduleDeletionAtRestart(path);
        return true;
    }
    return false;
}

bool lastChance(const DeletionState& state) { return state.pass >= kMaxPasses && state.rebootDeletion; }

}  // namespace

bool isLauncherOwnedTemp(const wchar_t* path) {
    return std::wcsstr(path, L"kvo") != nullptr && std::wcsstr(path, L".tmp_dir") != nullptr;
}

bool scheduleDeletionAtRestart(const wchar_t* path) {
    return MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

void removeListedFile(DeletionState& state, const wchar_t* path) {
    if (removeOrHandOver(path, deleteFileEntry)) return;
    state.retryNeeded = true;
    if (lastChance(state) && scheduleDeletionAtRestart(path)) state.rebootScheduled = true;
}

void removeListedDirectory(DeletionState& state, const wchar_t* path) {
    if (removeOrHandOver(path, removeDirectoryEntry)) return;
    state.retryNeeded = true;
    // A directory left for the restart is no reason to ask for one.
    if (lastChance(state)) scheduleDeletionAtRestart(path);
}
