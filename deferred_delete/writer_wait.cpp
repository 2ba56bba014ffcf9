// Wait for the list's writer; see writer_wait.h.
#include "deferred_delete/writer_wait.h"

#include <windows.h>

#include "launcher/base/scoped.h"

namespace {

const DWORD kWriterPoll = 200;

bool writerRunning(const wchar_t* semaphoreName) {
    ScopedHandle semaphore(CreateSemaphoreW(nullptr, 1, 1, semaphoreName));
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

void waitForWriter(const wchar_t* semaphoreName) {
    while (writerRunning(semaphoreName)) Sleep(kWriterPoll);
}
