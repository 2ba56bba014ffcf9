// The record one run of the deferred-deletion handler works on, and the
// bounded texts of the restart question and the restart-failure message.
#pragma once
#include <cstddef>

// Line buffer and message buffers hold this many units, the NUL included.
constexpr size_t kListUnits = 8192;
// A locked entry is tried this often, kPassPause milliseconds apart.
constexpr int kMaxPasses = 60;
constexpr unsigned kPassPause = 500;

// Text that never grows beyond kListUnits - 1 units; what does not fit is dropped.
struct BoundedText {
    wchar_t text[kListUnits];
    size_t length;
    bool full;  // something was dropped; later text is dropped too
};

// kDeleteExecutable: when entries are left for the restart, the executable
// itself is scheduled for deletion with them.
enum SelfDeletion { kKeepExecutable, kDeleteExecutable };

struct DeletionState {
    int pass;              // 1 to kMaxPasses
    bool retryNeeded;      // an entry of this pass is still there
    bool force;            // mode "force_reboot"
    bool rebootDeletion;   // mode "force_reboot" or "reboot_deletion"
    bool rebootScheduled;  // a listed file was scheduled for deletion at restart
    BoundedText question;  // collected in pass 1 only
    BoundedText failure;   // collected in pass 1 only
    wchar_t line[kListUnits];
};

void clearText(BoundedText& text);
// Appends up to count units (stopping early at a NUL) as far as they fit. The
// first unit that does not fit ends the text for good; the cut never leaves
// half a surrogate pair behind.
void appendText(BoundedText& text, const wchar_t* units, size_t count);
