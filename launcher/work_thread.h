// The thread the work routine runs on, which becomes the JVM's main thread:
// the progress dialog's worker, or the one the entry thread starts and waits
// for in the other styles.
#pragma once
#include <windows.h>

// Starts it with the stack java.exe gives the thread it runs main on; null
// when no thread could be started.
HANDLE startWorkThread(LPTHREAD_START_ROUTINE routine, void* parameter);
