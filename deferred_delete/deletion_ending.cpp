// End of a deferred deletion run; see deletion_ending.h.
#include "deferred_delete/deletion_ending.h"

#include <windows.h>

#include "coordination/reboot.h"
#include "deferred_delete/deletion_state.h"
#include "deferred_delete/entry_removal.h"
#include "deferred_delete/restart_marker.h"
#include "launcher/base/limits.h"

namespace {

const wchar_t kCaption[] = L"tolvanrix";
// A text this short (line ends included) is taken for no message at all.
const size_t kLongestNonMessage = 5;

bool hasMessage(const BoundedText& text) { return text.length > kLongestNonMessage; }

void restartOrComplain(const DeletionState& state) {
    if (restartWindows() || !hasMessage(state.failure)) return;
    MessageBoxW(nullptr, state.failure.text, kCaption, MB_ICONWARNING | MB_OK);
}

void scheduleOwnExecutable() {
    static wchar_t self[kPathCapacity];
    DWORD length = GetModuleFileNameW(nullptr, self, kPathCapacity);
    if (length > 0 && length < kPathCapacity) scheduleDeletionAtRestart(self);
}

bool userWantsRestart(const DeletionState& state) {
    return hasMessage(state.question) &&
           MessageBoxW(nullptr, state.question.text, kCaption, MB_ICONQUESTION | MB_YESNO) == IDYES;
}

}  // namespace

void finishDeletion(const DeletionState& state, const wchar_t* listPath, SelfDeletion self) {
    DeleteFileW(listPath);
    if (self == kDeleteExecutable && state.rebootDeletion) scheduleOwnExecutable();
    if (state.force) {
        restartOrComplain(state);
        return;
    }
    if (!state.rebootScheduled) return;
    if (userWantsRestart(state)) {
        restartOrComplain(state);
        return;
    }
    leaveRestartMarker();
}
