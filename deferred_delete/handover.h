// Handing a directory that this process cannot remove (the JVM it loaded
// still holds the files) to the deletion mode of a second launcher process,
// which waits until this one has ended. The list it writes has the layout the
// Java side writes at a normal end.
#pragma once

// Lists what the directory holds (links as themselves, never entered), the
// directory itself and, when the name shows one, the empty temp file that
// reserved it; then starts this executable with "__tlx_windel" and the list.
// The new process waits on a semaphore this process holds until it ends.
// True when the process was started.
bool handOverForDeletion(const wchar_t* directory);
