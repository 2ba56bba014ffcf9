// Waiting until the process that wrote the deletion list has ended.
#pragma once

// The writer holds a named semaphore for as long as it runs; returns once a
// semaphore of that name can be created afresh. There is no time limit: the
// writer is expected to exit.
void waitForWriter(const wchar_t* semaphoreName);
