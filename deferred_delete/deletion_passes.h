// The deletion passes: the list is read again on every pass and each entry
// not yet settled tried once, until nothing is left to retry or the last pass
// is done.
#pragma once

struct DeletionState;

// Runs up to kMaxPasses passes over the list, kPassPause apart. Stops early
// when the list cannot be opened.
void runDeletionPasses(DeletionState& state, const wchar_t* listPath);
