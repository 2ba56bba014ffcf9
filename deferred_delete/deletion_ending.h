// What follows the deletion passes: the list goes, and the restart is done,
// offered or left pending as the list's mode and the passes' outcome say.
#pragma once
#include "deferred_delete/deletion_state.h"

void finishDeletion(const DeletionState& state, const wchar_t* listPath, SelfDeletion self);
