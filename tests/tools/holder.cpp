// Test helper: a Windows process that keeps something busy the way an
// installer that is still running would, until the test lets it go.
//
//   holder file PATH READY RELEASE       file open for read/write, no sharing
//   holder dir PATH READY RELEASE        directory handle open, no sharing
//   holder semaphore NAME READY RELEASE  named semaphore created and held
//   holder schedule PATH                 PATH scheduled for deletion at restart
//
// READY is created once the object is held (its text says what is held);
// the holder lets go and exits 0 when RELEASE appears, or after ten minutes
// so that a failed test leaves nothing behind. Exit 2: the object could not
// be taken (the error is written to stderr).
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const DWORD kPoll = 20;
const DWORD kLifetime = 600000;

bool fileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

void writeReady(const char* path, const char* what) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return;
    std::fputs(what, f);
    std::fclose(f);
}

HANDLE take(const char* kind, const char* target) {
    if (!std::strcmp(kind, "file"))
        return CreateFileA(target, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (!std::strcmp(kind, "dir"))
        return CreateFileA(target, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (!std::strcmp(kind, "semaphore")) {
        HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 1, target);
        if (semaphore && GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(semaphore);
            SetLastError(ERROR_ALREADY_EXISTS);
            return nullptr;
        }
        return semaphore;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

int hold(const char* kind, const char* target, const char* ready, const char* release) {
    HANDLE handle = take(kind, target);
    if (!handle || handle == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "holder: cannot take %s %s (error %lu)\n", kind, target, GetLastError());
        return 2;
    }
    writeReady(ready, kind);
    DWORD start = GetTickCount();
    while (!fileExists(release) && GetTickCount() - start < kLifetime) Sleep(kPoll);
    CloseHandle(handle);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && !std::strcmp(argv[1], "schedule")) {
        if (MoveFileExA(argv[2], nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return 0;
        std::fprintf(stderr, "holder: cannot schedule %s (error %lu)\n", argv[2], GetLastError());
        return 2;
    }
    if (argc != 5) {
        std::fprintf(stderr, "usage: holder file|dir|semaphore TARGET READY RELEASE | holder schedule PATH\n");
        return 2;
    }
    return hold(argv[1], argv[2], argv[3], argv[4]);
}
