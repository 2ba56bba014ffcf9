// Launcher log: file naming, per-line writing under the lock, deletion at exit.
//
// The file is written as the C runtime's UTF-8 text mode would write it (a
// byte-order mark, UTF-8, CR LF line ends), but through a handle that stays
// open between lines: each line is one WriteFile of the whole line, so it is
// in the file, surviving a crash or a termination, the moment the call
// returns. Opening and closing the file for every line, as a C stream would
// need, costs far more than the line itself under some Windows layers.
#include "launcher/base/log.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>

#include "launcher/base/file_system.h"
#include "launcher/base/limits.h"
#include "launcher/base/scoped.h"
#include "launcher/base/temp_dir.h"
#include "launcher/base/wformat.h"

namespace {

constexpr size_t kLineCapacity = 65536;
// One line is cut here, marked: a line that logs a whole expanded value at
// every replacement would otherwise grow the log by megabytes.
constexpr size_t kLineLimit = kPathCapacity;
constexpr wchar_t kCutMark[] = L" [...]";
constexpr int kMaxLogNumber = 1000;
// What one start may write to its log; the lines that would go beyond it are
// dropped after one line saying so (a loop that logs cannot fill the disk).
constexpr unsigned long long kLogLimit = 8ull * 1024 * 1024;
constexpr char kLimitLine[] = "The log has reached its limit of 8 MB: further lines are left out.\r\n";

CRITICAL_SECTION g_lock;
bool g_lockCreated = false;
bool g_initialised = false;
bool g_pathSet = false;
bool g_pathHandedOut = false;
bool g_keep = false;
bool g_ended = false;  // deleted by endLog: nothing more is written
unsigned long long g_size = 0;
wchar_t g_path[kPathCapacity];
HANDLE g_file = INVALID_HANDLE_VALUE;
// Open from the log's normal end on, with the file marked to go when it
// closes: at the C runtime's exit (it outlives the at-exit call that set
// it) or with the process.
ScopedHandle g_goesAtExit;
wchar_t g_line[kLineCapacity];
// A UTF-16 unit takes at most three UTF-8 bytes, a line feed two (CR LF).
char g_bytes[3 * kLineCapacity + 16];
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

class LogLock {
public:
    LogLock() {
        // The first call always comes from the entry thread before any other
        // thread exists, so creating the lock here needs no protection.
        if (!g_lockCreated) {
            InitializeCriticalSection(&g_lock);
            g_lockCreated = true;
        }
        EnterCriticalSection(&g_lock);
    }
    ~LogLock() { LeaveCriticalSection(&g_lock); }
};

bool envIsYes(const char* name) {
    char value[8];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
    return n == 3 && std::strcmp(value, "yes") == 0;
}

void closeLog() {
    if (g_file == INVALID_HANDLE_VALUE) return;
    CloseHandle(g_file);
    g_file = INVALID_HANDLE_VALUE;
}

void writeBytes(const char* bytes, size_t count) {
    DWORD written = 0;
    WriteFile(g_file, bytes, static_cast<DWORD>(count), &written, nullptr);
    g_size += written;
}

// False once the limit is reached; the line that reaches it says so.
bool withinLimit(size_t count) {
    if (g_size + count + sizeof(kLimitLine) <= kLogLimit) return true;
    if (g_size < kLogLimit) {
        writeBytes(kLimitLine, sizeof(kLimitLine) - 1);
        g_size = kLogLimit;
    }
    return false;
}

// Text in the C runtime's UTF-8 text mode: UTF-8, every line feed as CR LF.
size_t encodeText(const wchar_t* text, char* out, size_t capacity) {
    size_t used = 0;
    while (*text) {
        const wchar_t* end = std::wcschr(text, L'\n');
        size_t units = end ? static_cast<size_t>(end - text) : std::wcslen(text);
        if (units > 0) {
            int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(units), out + used,
                                        static_cast<int>(capacity - used), nullptr, nullptr);
            if (n <= 0) break;
            used += static_cast<size_t>(n);
        }
        if (!end || capacity - used < 2) break;
        out[used++] = '\r';
        out[used++] = '\n';
        text = end + 1;
    }
    return used;
}

void writeText(const wchar_t* text) { writeBytes(g_bytes, encodeText(text, g_bytes, sizeof(g_bytes))); }

// Created afresh ("w") or appended to ("a", created when missing); an empty
// file starts with the byte-order mark either way.
bool openLog(bool create) {
    g_file = create ? CreateFileW(g_path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                    : CreateFileW(g_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (g_file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    if (GetFileSizeEx(g_file, &size) && size.QuadPart == 0) writeBytes(kByteOrderMark, 3);
    return true;
}

void logDirectory(wchar_t* dir) {
    if (!findTempDirWide(dir, kPathCapacity)) std::wcscpy(dir, L"c:\\");
    size_t len = std::wcslen(dir);
    if (dir[len - 1] != L'\\' && dir[len - 1] != L'/' && len + 1 < kPathCapacity) {
        dir[len] = L'\\';
        dir[len + 1] = L'\0';
    }
}

// First free "tlx_nlog_N.log" in dir, created empty on the spot: two
// launchers started at the same moment must not both take the same number.
// Number 1000 is taken even if it exists.
void pickLogName(const wchar_t* dir, wchar_t* out) {
    for (int n = 1; n <= kMaxLogNumber; ++n) {
        formatWide(out, kPathCapacity, L"%stlx_nlog_%d.log", dir, n);
        if (fileExists(out)) continue;
        ScopedHandle claimed(CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (claimed.valid()) return;
        // Taken meanwhile by another launcher; other failures are the
        // directory's, and opening the name later reports them.
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
}

// The long full form of a path's directory part (dirOfFile) or of a
// directory, ending with a backslash.
void canonicalDirectory(const wchar_t* path, bool dirOfFile, wchar_t* out) {
    wchar_t full[kPathCapacity];
    DWORD n = GetFullPathNameW(path, kPathCapacity, full, nullptr);
    if (n == 0 || n >= kPathCapacity) formatWide(full, kPathCapacity, L"%s", path);
    if (dirOfFile) {
        wchar_t* slash = std::wcsrchr(full, L'\\');
        if (slash) slash[1] = L'\0';
    }
    n = GetLongPathNameW(full, out, kPathCapacity);
    if (n == 0 || n >= kPathCapacity) formatWide(out, kPathCapacity, L"%s", full);
    size_t len = std::wcslen(out);
    if (len > 0 && out[len - 1] != L'\\' && len + 1 < kPathCapacity) formatWide(out + len, kPathCapacity - len, L"\\");
}

bool sameDirectory(const wchar_t* file, const wchar_t* directory) {
    wchar_t a[kPathCapacity], b[kPathCapacity];
    canonicalDirectory(file, true, a);
    canonicalDirectory(directory, false, b);
    return _wcsicmp(a, b) == 0;
}

void writeHeader() {
    wchar_t module[kPathCapacity];
    DWORD n = GetModuleFileNameW(nullptr, module, kPathCapacity);
    if (n == 0 || n >= kPathCapacity) module[0] = L'\0';
    time_t now = time(nullptr);
    const char* when = ctime(&now);
    formatWide(g_line, kLineCapacity, L"Started executable %s at %S\n", module, when ? when : "\n");
    writeText(g_line);
}

void initialise() {
    g_initialised = true;
    if (envIsYes("KAVRO_LOG") || envIsYes("TOLVANRIX_LOG")) g_keep = true;
    if (!g_keep) std::atexit(endLog);

    wchar_t dir[kPathCapacity];
    logDirectory(dir);
    pickLogName(dir, g_path);
    g_pathSet = true;
    if (!openLog(true)) {
        std::wcscpy(g_path, L"c:\\tlx_nlog");
        if (!openLog(true)) return;
    }
    writeHeader();
}

void writeLine(bool error, const wchar_t* format, va_list args) {
    LogLock lock;
    if (g_ended) return;
    if (g_pathSet && g_file == INVALID_HANDLE_VALUE) openLog(false);
    if (!g_initialised) initialise();
    if (g_file == INVALID_HANDLE_VALUE) return;
    size_t used = 0;
    if (error) {
        std::memcpy(g_bytes, "ERROR: ", 7);
        used = 7;
    }
    size_t length = formatWideV(g_line, kLineCapacity, format, args);
    if (length > kLineLimit) {
        size_t cut = kLineLimit;
        if (g_line[cut - 1] >= 0xD800 && g_line[cut - 1] <= 0xDBFF) --cut;  // never half a pair
        std::wcscpy(g_line + cut, kCutMark);
    }
    used += encodeText(g_line, g_bytes + used, sizeof(g_bytes) - used - 2);
    g_bytes[used++] = '\r';
    g_bytes[used++] = '\n';
    if (withinLimit(used)) writeBytes(g_bytes, used);
}

}  // namespace

void logMessageV(const wchar_t* format, va_list args) { writeLine(false, format, args); }
void logErrorV(const wchar_t* format, va_list args) { writeLine(true, format, args); }

void logMessage(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(false, format, args);
    va_end(args);
}

void logError(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(true, format, args);
    va_end(args);
}

const wchar_t* logFilePath() {
    LogLock lock;
    g_pathHandedOut = true;
    return g_pathSet ? g_path : nullptr;
}

bool moveLogTo(const wchar_t* directory) {
    LogLock lock;
    if (!g_pathSet || !directory || !directory[0]) return false;
    wchar_t dir[kPathCapacity];
    formatWide(dir, kPathCapacity, L"%s", directory);
    size_t len = std::wcslen(dir);
    if (dir[len - 1] != L'\\' && dir[len - 1] != L'/') formatWide(dir + len, kPathCapacity - len, L"\\");
    // Already there: a move would only give the log the next number.
    if (sameDirectory(g_path, dir)) return false;
    wchar_t target[kPathCapacity];
    pickLogName(dir, target);
    // The next line opens the file again, wherever it is then. The target
    // is the empty file just claimed for this log.
    closeLog();
    if (!MoveFileExW(g_path, target, MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(target);
        return false;
    }
    std::wcscpy(g_path, target);
    return true;
}

void endLog() {
    LogLock lock;
    closeLog();
    if (!g_pathSet || g_pathHandedOut || g_keep || g_ended) return;
    // Every caller is about to end the process: the file goes when this
    // handle closes with it. Removing it now could wait for the file
    // system to settle what the start wrote (after a large extraction under
    // Wine, tens of milliseconds in which the process could not end).
    g_goesAtExit.reset(CreateFileW(g_path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    g_ended = g_goesAtExit.valid() || DeleteFileW(g_path);
}

void keepLogAtExit() {
    LogLock lock;
    g_keep = true;
}
