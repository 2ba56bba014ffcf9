// The deferred-deletion mode: deletes what a finished installer could not,
// schedules what stays locked for deletion at restart, and handles the
// restart question. Returns the process exit code (always 0).
#pragma once
#include "deferred_delete/deletion_state.h"

int runDeferredDeletion(const wchar_t* listPath, SelfDeletion self);
