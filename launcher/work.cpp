// The work routine: verify and extract the payload, settle on a Java runtime,
// prepare it, and start the JVM with the installer's main class.
#include "launcher/work.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "coordination/install_markers.h"
#include "coordination/java_window.h"
#include "jre/included_jre.h"
#include "jre/jre_choice.h"
#include "jre/pack200.h"
#include "jre/search.h"
#include "jvm/JavaVMLauncher.h"
#include "jvm/jvm_state.h"
#include "jvm/native_path.h"
#include "jvm/splash.h"
#include "launcher/base/arguments.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/file_system.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/paths.h"
#include "launcher/base/scoped.h"
#include "launcher/base/text_match.h"
#include "launcher/errors.h"
#include "launcher/progress_dialog.h"
#include "launcher/state.h"
#include "launcher/temp_files.h"
#include "payload/config.h"
#include "payload/extraction.h"
#include "payload/format.h"
#include "payload/reader.h"
#include "payload/record_names.h"

namespace {

constexpr size_t kJrePathCapacity = 2000;
constexpr int kNoJavaExitCode = 83;

PayloadProgress payloadProgress(HWND dialog) {
    return PayloadProgress{dialog, setProgressRange, setProgressPosition, stopWorkIfCancelled};
}

// Language restart reusing the files of the earlier run.
bool reusingEarlierRun() { return g_launcher.langRestart && !g_launcher.runtimeFilesMissing; }

void changeToExtractionDir() {
    if (!SetCurrentDirectoryA(g_launcher.extractionDir))
        logError(L"Could not change working dir to %S (%d)", g_launcher.extractionDir,
                 static_cast<int>(GetLastError()));
}

bool runtimeFilePresent(const char* directory, const char* name) {
    char path[kPathCapacity];
    int n = std::snprintf(path, sizeof(path), "%s\\%s", directory, name);
    return n > 0 && n < static_cast<int>(sizeof(path)) && fileExists(path);
}

// Step 3: a language restart runs in the directory an earlier run extracted.
void checkEarlierExtraction() {
    DWORD n = GetCurrentDirectoryA(kPathCapacity, g_launcher.extractionDir);
    if (n == 0 || n >= kPathCapacity) g_launcher.extractionDir[0] = '\0';
    if (!runtimeFilePresent(g_launcher.extractionDir, "tlxruntime.jar")) {
        logMessage(L"could not find tlxruntime.jar");
        g_launcher.runtimeFilesMissing = true;
    } else if (!runtimeFilePresent(g_launcher.extractionDir, "tlxparams.conf")) {
        logMessage(L"could not find tlxparams.conf");
        g_launcher.runtimeFilesMissing = true;
    }
    if (g_launcher.runtimeFilesMissing) g_launcher.extractionDir[0] = '\0';
}

// Extract-and-exit mode extracts beside the executable, into "<exe>.test".
void createSideDirectory() {
    std::snprintf(g_launcher.extractionDir, kPathCapacity, "%s.test", exePath());
    logMessage(L"Extracted dir: %S", g_launcher.extractionDir);
    if (!CreateDirectoryA(g_launcher.extractionDir, nullptr)) {
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            logMessage(L"Could not create dir %S (%d)", g_launcher.extractionDir, static_cast<int>(error));
            failMessageArg8(kMsgInternalError, "70");
        }
        // A link (junction, symbolic link) of that name would carry the files
        // wherever it points, and the clean-up after a failure would empty
        // that place: neither is done, and nothing is removed.
        DWORD attributes = GetFileAttributesA(g_launcher.extractionDir);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            logError(L"%S is a link, not extracting into it", g_launcher.extractionDir);
            g_launcher.extractionDir[0] = '\0';
            failMessageArg8(kMsgInternalError, "73");
        }
    }
}

[[noreturn]] void reportExtractionFailure(HWND dialog, int result) {
    int messageId = result == kExtractWriteFailed ? kMsgDiskFull : kMsgCorruptedFile;
    if (g_launcher.quiet) failPayloadQuietly(messageId);
    failPayloadBox(dialog, messageId);
}

// Step 4.
void extractRuntimeFiles(HWND dialog) {
    if (g_launcher.extractAndExit) createSideDirectory();
    else createExtractionDir();
    setupNativeLibraryPath();
    changeToExtractionDir();
    int result = extractFiles(payloadProgress(dialog));
    if (result != kExtractOk) reportExtractionFailure(dialog, result);
}

// Steps 6 and 7: is there a runtime in the payload (or left by the earlier run)?
void detectIncludedJre() {
    char path[kJrePathCapacity];
    DWORD n = GetFullPathNameA("jre.tar.gz", sizeof(path), path, nullptr);
    if (n == 0 || n >= sizeof(path)) path[0] = '\0';
    logMessage(L"Full JRE path: %S", path);
    g_launcher.jreIncluded = path[0] != '\0' && fileExists(path);
    if (!g_launcher.jreIncluded && reusingEarlierRun()) {
        logMessage(L"Checking restart JRE: %S", g_launcher.extractionDir);
        n = GetFullPathNameA("jre", sizeof(path), path, nullptr);
        if (n == 0 || n >= sizeof(path)) path[0] = '\0';
        logMessage(L"Checking extracted JRE: %S", path);
        g_launcher.jreIncluded = path[0] != '\0' && isDirectory(path);
    }
    logMessage(g_launcher.jreIncluded ? L"JRE included" : L"No JRE included");
    if (g_launcher.manualJre && g_launcher.jreIncluded) {
        logMessage(L"Included JRE not used because of manual switch");
        g_launcher.jreIncluded = false;
    }
}

void clearInstallMarkers() { deleteInstallMarkers(kBothMarkers); }

// The per-process marker is only of use to the window watcher, which needs a dialog.
void markInstallStarted(HWND dialog) {
    stopWorkIfCancelled();
    writeInstallMarkers(dialog ? kBothMarkers : kGlobalMarker);
    // Cancel sets its flag before it clears the markers: if it came between
    // the check and the write, the flag shows it now and the markers go again.
    if (progressDialogCancelled()) {
        clearInstallMarkers();
        stopWorkIfCancelled();
    }
}

bool findInstalledJre() { return LoadDLL(JreFailure::kQuiet, nullptr, JreLocation::kHome); }

// Not a failure: the log goes as at a normal end, and so do the extracted
// files (a script run on machines without Java leaves no copy behind).
[[noreturn]] void abortWithoutJre() {
    logError(L"No JRE found");
    std::fputs("No JRE found. Aborting.\n", stdout);
    std::fflush(stdout);
    exitLauncher(kNoJavaExitCode);
}

// The worker of the progress dialog that the work routine opens itself, when
// a runtime must be obtained and no dialog exists: the runtime choice only,
// whatever key 155 says, since the work routine is already running. The
// dialog ends with the choice (the choice ends it only under key 155), so
// that the work routine goes on.
void choiceOnlyWork(HWND dialog) {
    offerJreChoice(dialog);
    EndDialog(dialog, 0);
}

// Step 8, no runtime found on the machine.
void obtainJre(HWND dialog) {
    if (g_launcher.quiet) {
        if (getConfigInt(kKeyDownloadWithoutAsking) == 0) abortWithoutJre();
        std::fputs("No JRE found. Trying to download.\n", stdout);
        std::fflush(stdout);
        offerJreChoice(nullptr);
    } else if (dialog) {
        offerJreChoice(dialog);
    } else {
        runProgressDialog(g_launcher.instance, nullptr, choiceOnlyWork);
        // Cancel ends the launch here as it does in the dialog style.
        if (progressDialogCancelled()) std::exit(0);
    }
}

// Step 8.
void decideJre(HWND dialog) {
    if (g_launcher.jreIncluded) {
        if (getConfigInt(kKeyPreferInstalledJre) == 0) return;
        markInstallStarted(dialog);
        if (findInstalledJre()) g_launcher.jreIncluded = false;
        else clearInstallMarkers();
        return;
    }
    markInstallStarted(dialog);
    if (!g_launcher.manualJre && findInstalledJre()) return;
    obtainJre(dialog);
}

// Step 10.
void prepareJre(HWND dialog) {
    if (reusingEarlierRun()) {
        if (g_launcher.jreIncluded) useIncludedJre();
        return;
    }
    if (!g_launcher.jreIncluded) g_launcher.jreProgressShare = 100;
    else g_launcher.jreProgressShare = getConfigInt(kKeyPack200Jre) != 0 ? 300 : 200;
    if (g_launcher.jreIncluded) prepareIncludedJre(dialog);
}

// Step 11: pack200 archives among the extracted files.
void unpackPayloadArchives() {
    if (reusingEarlierRun()) return;
    int count = getConfigInt(kKeyFileCount);
    char names[kPathCapacity];
    getConfigString(kKeyFileNames, names, sizeof(names));
    char* cursor = names;
    int seen = 0;
    for (char* name = nextListItem(&cursor); name && seen < count; name = nextListItem(&cursor), ++seen) {
        if (!endsWith(name, ".pack")) continue;
        logMessage(L"unpacking %S", name);
        char path[kPathCapacity];
        int n = std::snprintf(path, sizeof(path), "%s\\%s", g_launcher.extractionDir, name);
        if (n > 0 && n < static_cast<int>(sizeof(path))) unpackFile(g_jvm.home, path);
    }
}

// Extract-and-exit ends here, leaving the ".test" directory.
[[noreturn]] void finishExtractAndExit() {
    FILE* file = std::fopen("unextracted.txt", "w");
    if (!file) {
        logError(L"Could not write file with unextracted position");
        failMessageArg8(kMsgInternalError, "71");
    }
    std::fprintf(file, "%lld", static_cast<long long>(unextractedPosition()));
    std::fclose(file);
    // A normal end: its log goes, as after a return from the entry point
    // (whose at-exit deletion ExitProcess does not run).
    endLog();
    ExitProcess(0);
}

void startWindowWatcher(HWND dialog) {
    ScopedHandle watcher(CreateThread(nullptr, 0, waitForJavaWindow, dialog, 0, nullptr));
    if (!watcher.valid()) {
        logError(L"could not start the window watcher (%d)", static_cast<int>(GetLastError()));
        return;
    }
    SetThreadPriority(watcher.get(), THREAD_PRIORITY_ABOVE_NORMAL);
}

}  // namespace

int runWork(HWND dialog) {
    logMessage(L"Starting work");
    setProgressPosition(dialog, 1);
    setProgressRange(dialog, 0, 400);

    bool extract = true;
    if (!g_launcher.langRestart) {
        verifyPayload(payloadProgress(dialog));
    } else {
        checkEarlierExtraction();
        extract = g_launcher.runtimeFilesMissing;
    }
    if (extract) extractRuntimeFiles(dialog);
    stopWorkIfCancelled();

    char current[kPathCapacity];
    DWORD n = GetCurrentDirectoryA(sizeof(current), current);
    if (n == 0 || n >= sizeof(current)) current[0] = '\0';
    logMessage(L"Current working dir: %S", current);
    // Extracting beside the executable needs no runtime: searching for one
    // could end the run (83) or ask the user before the position is written.
    if (g_launcher.extractAndExit) finishExtractAndExit();

    detectIncludedJre();
    decideJre(dialog);
    changeToExtractionDir();
    prepareJre(dialog);
    // The runtime's jvm.dll is loaded now, which its splash library needs.
    if (g_launcher.runtimeSplash) showSplash(1);
    unpackPayloadArchives();

    if (dialog) startWindowWatcher(dialog);
    markInstallStarted(dialog);
    ArgumentList arguments;
    splitCommandLine(GetCommandLineW(), arguments);
    prepareExtractionDirHandOver();
    if (!launchJava(arguments, kDestroyJvm)) {
        logError(L"Could not start JVM");
        failMessage(kMsgJvmNotStarted);
    }
    // Whether or not a window ever showed, no start is in progress any more.
    clearOwnInstallMarkers();
    handOverExtractionDir();
    return 0;
}
