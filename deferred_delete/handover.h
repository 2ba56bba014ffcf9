// Handing a directory that this process cannot remove (the JVM it loaded
// still holds the files) to the deletion mode of a second launcher process,
// which waits until this one has ended: at every end of a launch that
// extracted a directory, and after a failure that could not remove it all.
#pragma once

// Starts, ahead of the end, the process a hand-over of the directory will
// need, on a thread of its own: a process start takes tens of milliseconds
// under Wine, which the end of a launch then no longer waits for. The process
// stays suspended and ends with this one unless a hand-over lets it go.
void prepareHandOver(const wchar_t* directory);
// Waits until such a start is done, so that a process ending now does not
// stop it half-way (on systems that cannot create a process inside a job,
// the process would be left outside it).
void settleHandOverPreparation();

// Lists what the directory holds (links as themselves, never entered), the
// directory itself and, when the name shows one, the empty temp file that
// reserved it, in "<directory>.lst"; then lets the prepared process go, or
// starts this executable with "__tlx_windel" and the list. The process waits
// on a semaphore this process holds until it ends. True when it was started;
// failures are logged, success with kLogged.
enum class HandOverNote { kLogged, kSilent };
bool handOverForDeletion(const wchar_t* directory, HandOverNote note);
