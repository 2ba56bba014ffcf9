// Removing the listed files and directories, and scheduling for deletion at
// restart what cannot be removed now.
#pragma once

struct DeletionState;

// A path that, once normalised, is or lies inside a launcher extraction
// directory (a component "kvo....tmp_dir<number>"): nothing but the launcher
// uses it, so waiting for it is pointless.
bool isLauncherOwnedTemp(const wchar_t* path);

// Asks Windows to delete the entry at the next restart.
bool scheduleDeletionAtRestart(const wchar_t* path);

// One attempt at a listed file or directory within the current pass; updates
// the retry and scheduling flags of state. An entry inside an extraction
// directory that is reached through a link (reparse point) is left alone.
// True when the entry is settled: gone, handed to the restart, or left for
// good (such a link); a later attempt would change nothing.
bool removeListedFile(DeletionState& state, const wchar_t* path);
bool removeListedDirectory(DeletionState& state, const wchar_t* path);
