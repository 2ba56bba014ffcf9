// Removal of listed entries; see entry_removal.h.
#include "deferred_delete/entry_removal.h"

#include <windows.h>

#include <cwchar>

#include "deferred_delete/deletion_state.h"
#include "launcher/base/safe_removal.h"

namespace {

constexpr DWORD kFullPathUnits = kListUnits;

// The system's normalisation ("." and ".." resolved, separators unified);
// false when it fails or does not fit.
bool normalisedPath(const wchar_t* path, wchar_t* out) {
    DWORD n = GetFullPathNameW(path, kFullPathUnits, out, nullptr);
    return n > 0 && n < kFullPathUnits;
}

// An extraction directory's own name: the "kvo" temp name with "_dir" and a
// number behind its ".tmp".
bool isExtractionDirName(const wchar_t* name, size_t length) {
    if (length < 3 || _wcsnicmp(name, L"kvo", 3) != 0) return false;
    static const wchar_t kMark[] = L".tmp_dir";
    const size_t markLength = sizeof(kMark) / sizeof(kMark[0]) - 1;
    for (size_t at = 3; at + markLength <= length; ++at)
        if (_wcsnicmp(name + at, kMark, markLength) == 0) return true;
    return false;
}

// Length of the leading part of a normalised path up to and including the
// first extraction directory among its components; 0 when there is none.
size_t extractionDirPrefix(const wchar_t* full) {
    const wchar_t* start = full;
    for (const wchar_t* p = full;; ++p) {
        if (*p != L'\\' && *p != L'/' && *p != L'\0') continue;
        if (isExtractionDirName(start, static_cast<size_t>(p - start))) return static_cast<size_t>(p - full);
        if (*p == L'\0') return 0;
        start = p + 1;
    }
}

// Whether a directory between the extraction directory (itself included) and
// the entry is a link: removing the entry would then reach wherever it points.
bool passesThroughLink(wchar_t* full, size_t prefix) {
    for (size_t at = prefix;; ++at) {
        wchar_t c = full[at];
        if (c != L'\\' && c != L'/') {
            if (c == L'\0') return false;
            continue;
        }
        full[at] = L'\0';
        DWORD attributes = GetFileAttributesW(full);
        full[at] = c;
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    }
}

// Inside an extraction directory, but reached through a link placed there:
// such an entry is never touched.
bool isRedirectedTemp(const wchar_t* path) {
    wchar_t full[kFullPathUnits];
    if (!normalisedPath(path, full)) return false;
    size_t prefix = extractionDirPrefix(full);
    return prefix != 0 && passesThroughLink(full, prefix);
}

// True when the entry is gone, will be gone at restart without waiting, or
// is a link that stays (removing it would reach its target; waiting changes
// nothing). A directory is removed only when empty.
bool removeOrHandOver(const wchar_t* path) {
    // The entries of a list come directory by directory.
    static ParentCache parents;
    Removal removal = removeEntry(path, parents);
    if (removal != Removal::kFailed) return true;
    if (isLauncherOwnedTemp(path)) {
        scheduleDeletionAtRestart(path);
        return true;
    }
    return false;
}

bool lastChance(const DeletionState& state) { return state.pass >= kMaxPasses && state.rebootDeletion; }

}  // namespace

bool isLauncherOwnedTemp(const wchar_t* path) {
    // On the normalised path: "..\\" must not lead a path that merely names an
    // extraction directory out of it.
    wchar_t full[kFullPathUnits];
    return normalisedPath(path, full) && extractionDirPrefix(full) != 0;
}

bool scheduleDeletionAtRestart(const wchar_t* path) {
    return MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool removeListedFile(DeletionState& state, const wchar_t* path) {
    if (isRedirectedTemp(path) || removeOrHandOver(path)) return true;
    state.retryNeeded = true;
    if (lastChance(state) && scheduleDeletionAtRestart(path)) state.rebootScheduled = true;
    return false;
}

bool removeListedDirectory(DeletionState& state, const wchar_t* path) {
    if (isRedirectedTemp(path) || removeOrHandOver(path)) return true;
    state.retryNeeded = true;
    // A directory left for the restart is no reason to ask for one.
    if (lastChance(state)) scheduleDeletionAtRestart(path);
    return false;
}
