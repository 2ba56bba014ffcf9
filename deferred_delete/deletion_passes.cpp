// Deletion passes over the list; see deletion_passes.h.
//
// Sections 1, 2, 5 and 6 of the list are told apart by a counter that every
// empty line advances: the first non-empty line at 0 names the writer's
// semaphore, the first at 1 is the mode (directly followed by the question and
// failure texts), at 2 non-empty lines are files and from 3 on directories.
#include "deferred_delete/deletion_passes.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <vector>

#include "deferred_delete/deletion_state.h"
#include "deferred_delete/entry_removal.h"
#include "deferred_delete/list_reader.h"
#include "deferred_delete/writer_wait.h"

namespace {

// The entries settled in an earlier pass (gone, handed to the restart, or
// left for good), by their place among the list's entries and a hash of
// their text. The list is read again on every pass, as it may have changed;
// an entry in the same place with the same text is not tried again, so that
// a later pass costs what is left, not what was listed.
class SettledEntries {
public:
    bool contains(size_t index, const wchar_t* text) const {
        return index < hashes_.size() && hashes_[index] == hash(text);
    }
    void add(size_t index, const wchar_t* text) {
        if (index >= hashes_.size()) hashes_.resize(index + 1, 0);
        hashes_[index] = hash(text);
    }

private:
    // FNV-1a; never 0, which marks a place not settled.
    static uint64_t hash(const wchar_t* text) {
        uint64_t value = 14695981039346656037ull;
        for (; *text; ++text) value = (value ^ static_cast<uint16_t>(*text)) * 1099511628211ull;
        return value ? value : 1;
    }
    std::vector<uint64_t> hashes_;
};

struct Pass {
    DeletionState& state;
    ListReader& reader;
    SettledEntries& settled;
    size_t entry;  // entry lines (files and directories) read so far
};

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

// A file or directory line, unless settled in an earlier pass.
void actOnEntry(Pass& pass, bool directory) {
    size_t index = pass.entry++;
    const wchar_t* path = pass.state.line;
    if (pass.settled.contains(index, path)) return;
    bool settled = directory ? removeListedDirectory(pass.state, path) : removeListedFile(pass.state, path);
    if (settled) pass.settled.add(index, path);
}

// Acts on one non-empty line; returns the section counter that follows it.
int actOnLine(Pass& pass, int section, bool intact) {
    DeletionState& state = pass.state;
    switch (section) {
        case 0:
            if (intact) waitForWriter(state.line);
            return 1;
        case 1:
            // A mode line with a NUL or beyond the buffer is no known mode.
            applyMode(state, intact ? state.line : L"");
            readMessageTexts(state, pass.reader);
            return 2;
        default:
            // A line cut or holding a NUL names nothing, but keeps its place.
            if (intact) actOnEntry(pass, section > 2);
            else ++pass.entry;
            return section;
    }
}

bool runPass(DeletionState& state, const wchar_t* listPath, SettledEntries& settled) {
    // Static: the block is large, and one pass runs at a time.
    static ListReader reader;
    if (!openListFile(reader, listPath)) return false;
    Pass pass{state, reader, settled, 0};
    int section = 0;
    size_t length = 0;
    bool intact = false;
    while (readEntryLine(reader, state.line, kListUnits, length, intact)) {
        if (length == 0 && intact) {
            ++section;
            continue;
        }
        section = actOnLine(pass, section, intact);
    }
    closeListFile(reader);
    return true;
}

}  // namespace

void runDeletionPasses(DeletionState& state, const wchar_t* listPath) {
    SettledEntries settled;
    while (state.pass < kMaxPasses) {
        ++state.pass;
        state.retryNeeded = false;
        if (!runPass(state, listPath, settled) || !state.retryNeeded) return;
        if (state.pass < kMaxPasses) Sleep(kPassPause);
    }
}
