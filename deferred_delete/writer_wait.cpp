// Wait for the list's writer; see writer_wait.h.
#include "deferred_delete/writer_wait.h"

#include <windows.h>

namespace {

const DWORD kWriterPoll = 200;

bool writerRunning(const wchar_t* semaphoreName) {
    HANDLE semaphore = CreateSemaphoreW(nullptr, 1, 1, semaphoreName);
    bool running = GetLastError() == ERROR_ALREADY_EXISTS;
    if (semaphore) CloseHandle(semaphore);
    return running;
}

}  // namespace

void waitForWriter(const wchar_t* semaphoreName) {
    while (writerRunning(semaphoreName)) Sleep(kWriterPoll);
}
