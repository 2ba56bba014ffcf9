// How the payload check and extraction show their progress and learn of a
// Cancel without knowing the progress dialog: the work routine hands in its
// dialog and the dialog's functions; without a dialog every member is null
// and nothing is shown.
#pragma once
#include <windows.h>

struct PayloadProgress {
    HWND dialog = nullptr;  // also the owner of the corrupted-file box
    void (*setRange)(HWND dialog, int low, int high) = nullptr;
    void (*setPosition)(HWND dialog, int position) = nullptr;
    // Returns only while the work may go on: after a Cancel it ends the
    // calling thread, so that nothing more is written.
    void (*stopIfCancelled)() = nullptr;

    void range(int low, int high) const {
        if (setRange) setRange(dialog, low, high);
    }
    void position(int value) const {
        if (setPosition) setPosition(dialog, value);
    }
    void checkCancel() const {
        if (stopIfCancelled) stopIfCancelled();
    }
};
