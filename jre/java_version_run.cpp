// Running a candidate java.exe with "-version" and reading its banner from
// standard error, which goes into a temporary file (a pipe could fill up and
// block a child that is never read while it runs).
#include "jre/probe.h"

#include <cstdio>
#include <cstring>

#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/scoped.h"
#include "launcher/base/text_match.h"
#include "launcher/temp_files.h"

namespace {

constexpr DWORD kDefaultTimeout = 60000;
constexpr DWORD kStillActive = 259;
constexpr int kLineLength = 99;

DWORD g_timeout = kDefaultTimeout;

// The short form avoids quoting; a path without one is quoted instead.
void buildCommand(const char* path, char* command, size_t capacity) {
    char shortPath[kPathCapacity];
    DWORD n = GetShortPathNameA(path, shortPath, sizeof(shortPath));
    if (n > 0 && n < sizeof(shortPath) && !std::strchr(shortPath, ' '))
        std::snprintf(command, capacity, "%s -version", shortPath);
    else std::snprintf(command, capacity, "\"%s\" -version", path);
}

// A fresh file the child inherits as its standard error; null when it cannot
// be made (the child then runs without one).
HANDLE createErrorStream(const char* file) {
    // Deletable while open: a helper process of the child's console (under
    // Wine) can still hold the inherited handle when the file is deleted.
    ScopedHandle created(CreateFileA(file, GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!created.valid()) return nullptr;
    HANDLE inheritable = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), created.get(), GetCurrentProcess(), &inheritable, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        inheritable = nullptr;
    return inheritable;
}

// Waits for the child and returns its exit code; a child that is still
// running is ended (and waited for, so that its output file can be deleted).
DWORD waitForChild(HANDLE process) {
    WaitForSingleObject(process, g_timeout);
    DWORD code = kStillActive;
    if (!GetExitCodeProcess(process, &code)) code = kStillActive;
    logMessage(L"Exit Code %d", static_cast<int>(code));
    if (code == kStillActive) {
        logMessage(L"Terminating process");
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    return code;
}

// One line of at most kLineLength characters without its line end; the rest
// of a longer line is skipped so that it does not read as the next line.
bool readLine(FILE* file, char* line) {
    if (!std::fgets(line, kLineLength + 1, file)) return false;
    size_t n = std::strlen(line);
    bool complete = n > 0 && line[n - 1] == '\n';
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = '\0';
    if (!complete) {
        int c;
        while ((c = std::fgetc(file)) != EOF && c != '\n') {
        }
    }
    return true;
}

// The banner names the version between double quotes; Java 9 and later put a
// date and more after the closing quote, so only the quoted text counts.
bool versionFromBanner(const char* line, char* version, size_t capacity) {
    const char* start = nullptr;
    if (startsWith(line, "java version \"")) start = line + 14;
    else if (startsWith(line, "openjdk version \"")) start = line + 17;
    if (!start) return false;
    const char* end = std::strchr(start, '"');
    if (!end || end == start) return false;
    std::snprintf(version, capacity, "%.*s", static_cast<int>(end - start), start);
    return true;
}

// A JVM reports options taken from JAVA_TOOL_OPTIONS or _JAVA_OPTIONS before
// its banner; those lines are passed over.
bool readBanner(const char* file, char* version, size_t capacity) {
    FILE* stream = std::fopen(file, "r");
    if (!stream) return false;
    char line[kLineLength + 1];
    bool found = false;
    while (readLine(stream, line)) {
        if (startsWith(line, "Picked up ")) continue;
        found = versionFromBanner(line, version, capacity);
        break;
    }
    std::fclose(stream);
    if (found) logMessage(L"Java version: %S", version);
    return found;
}

// Runs the command hidden with standard error into outputFile and waits for
// it; a run that ends in failure marks the java.exe in the probe cache. False
// when the child could not be started. Every handle is closed on return, so
// that the file can be read and deleted.
bool runWithErrorFile(char* command, const char* outputFile, const char* path, const FILETIME& lastWrite, DWORD* code) {
    ScopedHandle errorStream(createErrorStream(outputFile));
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdError = errorStream.get();
    PROCESS_INFORMATION child = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &child)) {
        logMessage(L"Could not create process %S > %S (error %d)", command, outputFile,
                   static_cast<int>(GetLastError()));
        return false;
    }
    ScopedHandle process(child.hProcess);
    ScopedHandle thread(child.hThread);
    *code = waitForChild(process.get());
    if (*code != kStillActive && *code != 0) storeProbeCache(path, lastWrite, "1.0.0");
    return true;
}

}  // namespace

void setJavaVersionTimeout(DWORD milliseconds) { g_timeout = milliseconds; }

bool runJavaVersion(const char* path, const FILETIME& lastWrite, char* version, size_t capacity) {
    if (capacity > 0) version[0] = '\0';
    char command[kPathCapacity + 16];
    buildCommand(path, command, sizeof(command));
    char outputFile[kPathCapacity];
    makeTempFileName(outputFile, sizeof(outputFile));
    DWORD code = kStillActive;
    bool started = runWithErrorFile(command, outputFile, path, lastWrite, &code);
    bool found = started && code == 0 && readBanner(outputFile, version, capacity);
    DeleteFileA(outputFile);
    return found;
}
