// pack200: jars shipped as "*.jar.pack" are restored by the runtime's own
// unpack200.exe, while a thread of our own keeps the progress bar moving.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "jre/pack200.h"
#include "launcher/base/file_system.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/scoped.h"
#include "launcher/errors.h"
#include "resources/resource_ids.h"

namespace {

const char kPackSuffix[] = ".pack";
constexpr int kPackSuffixLength = 5;
constexpr int kUnpackProgressLow = 200;
constexpr int kUnpackProgressHigh = 300;
constexpr int kUnpackProgressStep = 10;

struct UnpackProgress {
    HWND dialog;
    DWORD pace;  // a tenth of the untar's duration
    volatile LONG done;
};
UnpackProgress g_progress = {nullptr, 0, 0};

DWORD WINAPI unpackProgressThread(LPVOID) {
    int position = kUnpackProgressLow;
    while (!g_progress.done) {
        Sleep(g_progress.pace);
        position += kUnpackProgressStep;
        SendDlgItemMessageW(g_progress.dialog, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
        if (position >= kUnpackProgressHigh) break;
    }
    return 0;
}

// Restores the packed jars of one directory below the home; converted tells
// whether anything was restored in this run so far.
void unpackSubdirectory(const char* home, const char* sub, bool* converted) {
    char pattern[kPathCapacity];
    int n = std::snprintf(pattern, sizeof(pattern), "%s\\%s\\*.jar.pack", home, sub);
    if (n <= 0 || n >= static_cast<int>(sizeof(pattern))) return;
    WIN32_FIND_DATAA found;
    ScopedFindHandle find(FindFirstFileA(pattern, &found));
    if (!find.valid()) return;
    do {
        int stem = static_cast<int>(std::strlen(found.cFileName)) - kPackSuffixLength;
        char jar[kPathCapacity];
        n = std::snprintf(jar, sizeof(jar), "%s\\%s\\%.*s", home, sub, stem, found.cFileName);
        if (n <= 0 || n >= static_cast<int>(sizeof(jar))) continue;
        logMessage(L"checking %S", jar);
        if (fileExists(jar)) continue;
        if (!*converted) {
            logMessage(L"Unpacking JRE");
            std::fputs("Preparing JRE ...\n", stdout);
            std::fflush(stdout);
            *converted = true;
        }
        char pack[kPathCapacity];
        n = std::snprintf(pack, sizeof(pack), "%s\\%s\\%s", home, sub, found.cFileName);
        if (n > 0 && n < static_cast<int>(sizeof(pack))) unpackFile(home, pack);
    } while (FindNextFileA(find.get(), &found));
}

}  // namespace

void startUnpackProgress(HWND dialog, DWORD untarMilliseconds) {
    g_progress.dialog = dialog;
    g_progress.pace = untarMilliseconds / 10;
    ScopedHandle thread(CreateThread(nullptr, 0, unpackProgressThread, nullptr, 0, nullptr));
    if (thread.valid()) SetThreadPriority(thread.get(), THREAD_PRIORITY_ABOVE_NORMAL);
}

void finishUnpackProgress() { InterlockedExchange(&g_progress.done, 1); }

void unpackJreDirectory(const char* home) {
    bool converted = false;
    unpackSubdirectory(home, "lib", &converted);
    unpackSubdirectory(home, "lib\\ext", &converted);
    if (converted) logMessage(L"Unpacking JRE done");
}

void unpackFile(const char* jreHome, const char* packFile) {
    size_t length = std::strlen(packFile);
    if (length <= kPackSuffixLength || std::strcmp(packFile + length - kPackSuffixLength, kPackSuffix) != 0) return;
    char jar[kPathCapacity];
    std::snprintf(jar, sizeof(jar), "%.*s", static_cast<int>(length - kPackSuffixLength), packFile);
    if (!fileExists(packFile)) {
        logMessage(L"pack path doesn't exists");
        return;
    }
    char program[kPathCapacity];
    char commandLine[3 * kPathCapacity];
    int n = std::snprintf(program, sizeof(program), "%s\\bin\\unpack200.exe", jreHome);
    int m = std::snprintf(commandLine, sizeof(commandLine), "-r \"%s\" \"%s\"", packFile, jar);
    if (n <= 0 || n >= static_cast<int>(sizeof(program)) || m <= 0 || m >= static_cast<int>(sizeof(commandLine)))
        return;
    logMessage(L"%S", program);
    logMessage(L"%S", commandLine);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program, commandLine, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &info)) {
        logMessage(L"could not create unpack process");
        failMessageArg8(kMsgInternalError, "20");
    }
    ScopedHandle process(info.hProcess);
    ScopedHandle thread(info.hThread);
    logMessage(L"waiting for unpack200 to finish");
    WaitForSingleObject(process.get(), INFINITE);
    logMessage(L"unpack done");
    if (!DeleteFileA(packFile) && GetLastError() != ERROR_FILE_NOT_FOUND)
        logMessage(L"could not delete packed file (error %d)", static_cast<int>(GetLastError()));
}
