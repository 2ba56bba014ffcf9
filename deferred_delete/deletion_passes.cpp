// Deletion passes over the list; see deletion_passes.h.
//
// Sections 1, 2, 5 and 6 of the list are told apart by a counter that every
// empty line advances: the first non-empty line at 0 names the writer's
// semaphore, the first at 1 is the mode (directly followed by the question and
// failure texts), at 2 non-empty lines are files and from 3 on directories.
#include "deferred_delete/deletion_passes.h"

#include <windows.h>

#include <cwchar>

#include "deferred_delete/deletion_state.h"
#include "deferred_delete/entry_removal.h"
#include "deferred_delete/list_reader.h"
#include "deferred_delete/writer_wait.h"

namespace {

void applyMode(DeletionState& state, const wchar_t* mode) {
    state.force = std::wcscmp(mode, L"force_reboot") == 0;
    state.rebootDeletion = state.force || std::wcscmp(mode, L"reboot_deletion") == 0;
}

// The texts are the same on every pass; only the first one keeps them.
void readMessageTexts(DeletionState& state, ListReader& reader) {
    bool collect = state.pass == 1;
    readTextSection(reader, state.line, kListUnits, collect ? &state.question : nullptr);
    readTextSection(reader, state.line, kListUnits, collect ? &state.failure : nullptr);
}

// Acts on one non-empty line; returns the section counter that follows it.
int actOnLine(DeletionState& state, ListReader& reader, int section, bool intact) {
    switch (section) {
        case 0:
            if (intact) waitForWriter(state.line);
            return 1;
        case 1:
            // A mode line with a NUL or beyond the buffer is no known mode.
            applyMode(state, intact ? state.line : L"");
            readMessageTexts(state, reader);
            return 2;
        case 2:
            if (intact) removeListedFile(state, state.line);
            return 2;
        default:
            if (intact) removeListedDirectory(state, state.line);
            return section;
    }
}

bool runPass(DeletionState& state, const wchar_t* listPath) {
    ListReader reader;
    if (!openListFile(reader, listPath)) return false;
    int section = 0;
    size_t length = 0;
    bool intact = false;
    while (readEntryLine(reader, state.line, kListUnits, length, intact)) {
        if (length == 0 && intact) {
            ++section;
            continue;
        }
        section = actOnLine(state, reader, section, intact);
    }
    closeListFile(reader);
    return true;
}

}  // namespace

void runDeletionPasses(DeletionState& state, const wchar_t* listPath) {
    while (state.pass < kMaxPasses) {
        ++state.pass;
        state.retryNeeded = false;
        if (!runPass(state, listPath) || !state.retryNeeded) return;
        if (state.pass < kMaxPasses) Sleep(kPassPause);
    }
}
