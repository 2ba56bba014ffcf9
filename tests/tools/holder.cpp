// Test helper: a Windows process that keeps something busy the way an
// installer that is still running would, until the test lets it go.
//
//   holder file PATH READY RELEASE       file open for read/write, no sharing
//   holder dir PATH READY RELEASE        directory handle open, no sharing
//   holder files DIR READY RELEASE       every file in DIR open, no sharing
//   holder semaphore NAME READY RELEASE  named semaphore created and held
//   holder desktop - READY RELEASE       the desktop in use, as a user's session
//                                        keeps it (Wine starts it on demand and
//                                        ends it when no process uses it)
//   holder schedule PATH                 PATH scheduled for deletion at restart
//
// READY is created once the object is held (its text says what is held);
// the holder lets go and exits 0 when RELEASE appears, or after ten minutes
// so that a failed test leaves nothing behind. Exit 2: the object could not
// be taken (the error is written to stderr).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

const DWORD kPoll = 20;
const DWORD kLifetime = 600000;

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
    // Asking for the desktop window connects the process to the desktop (the
    // window itself may be missing without a display); the connection lasts
    // as long as the process, and a plain event stands for it here.
    if (!std::strcmp(kind, "desktop")) {
        GetDesktopWindow();
        return CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

// The files of a directory, held by handles that stay open until the process ends.
HANDLE takeFiles(const char* directory) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof(path), "%s\\*", directory);
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(path, &entry);
    if (find == INVALID_HANDLE_VALUE) return nullptr;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::snprintf(path, sizeof(path), "%s\\%s", directory, entry.cFileName);
        if (take("file", path) == INVALID_HANDLE_VALUE) return nullptr;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

int hold(const char* kind, const char* target, const char* ready, const char* release) {
    HANDLE handle = std::strcmp(kind, "files") ? take(kind, target) : takeFiles(target);
    if (!handle || handle == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "holder: cannot take %s %s (error %lu)\n", kind, target, GetLastError());
        return 2;
    }
    std::ofstream(ready, std::ios::binary) << kind;
    DWORD start = GetTickCount();
    while (GetFileAttributesA(release) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < kLifetime) Sleep(kPoll);
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
        std::fprintf(stderr,
                     "usage: holder file|dir|files|semaphore|desktop TARGET READY RELEASE | holder schedule PATH\n");
        return 2;
    }
    return hold(argv[1], argv[2], argv[3], argv[4]);
}
