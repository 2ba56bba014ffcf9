// Showing fatal errors and ending the process.
#include "launcher/errors.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "coordination/install_markers.h"
#include "deferred_delete/handover.h"
#include "jvm/splash.h"
#include "launcher/base/code_page.h"
#include "launcher/base/file_system.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/paths.h"
#include "launcher/base/safe_removal.h"
#include "launcher/base/scoped.h"
#include "launcher/base/wformat.h"
#include "launcher/state.h"
#include "payload/config.h"

namespace {

// A message, the blank line and "Log: " with the log's path.
constexpr size_t kComposedCapacity = kMessageCapacity + kPathCapacity + 16;

void writeToStandardError(const wchar_t* text) {
    UINT codePage = GetConsoleOutputCP();
    if (codePage == 0) codePage = CP_ACP;
    char* narrow = newCodePageCopy(codePage, text);
    if (!narrow) return;
    std::fprintf(stderr, "%s\n", narrow);
    std::fflush(stderr);
    std::free(narrow);
}

// Moves the current directory out of `directory` (to the executable's
// directory) when it lies inside it.
void leaveDirectory(const char* directory) {
    char current[kPathCapacity];
    DWORD n = GetCurrentDirectoryA(sizeof(current), current);
    size_t length = std::strlen(directory);
    if (n == 0 || n >= sizeof(current) || _strnicmp(current, directory, length) != 0) return;
    if (current[length] != '\0' && current[length] != '\\') return;
    SetCurrentDirectoryA(exeDir8());
}

// The text, a blank line and "Log: " with the log's long path, as a new
// string the caller frees; null without a log (or memory), the text alone then.
wchar_t* withLogPath(const wchar_t* text) {
    const wchar_t* log = logFilePath();
    if (!log) return nullptr;
    wchar_t* composed = static_cast<wchar_t*>(std::malloc(kComposedCapacity * sizeof(wchar_t)));
    if (!composed) return nullptr;
    wchar_t longPath[kPathCapacity];
    DWORD n = GetLongPathNameW(log, longPath, kPathCapacity);
    if (n == 0 || n >= kPathCapacity) formatWide(longPath, kPathCapacity, L"%s", log);
    formatWide(composed, kComposedCapacity, L"%s\n\nLog: %s", text, longPath);
    return composed;
}

void writeWithLogPath(const wchar_t* text) {
    wchar_t* composed = withLogPath(text);
    writeToStandardError(composed ? composed : text);
    std::free(composed);
}

// Unattended runs read standard error, not the screen.
bool unattended() { return g_launcher.quiet || !g_launcher.messageBoxes; }

}  // namespace

void showError(const wchar_t* text) {
    // The splash stays on top of every window: it would hide the box.
    closeSplash();
    // Per call, not shared: the work thread and the entry thread may both
    // report at once, and neither may see the other's text.
    wchar_t* composed = withLogPath(text);
    const wchar_t* shown = composed ? composed : text;
    if (g_launcher.messageBoxes) {
        wchar_t caption[kMessageCapacity];
        getMessageOrConfig(kMsgErrorCaption, caption);
        MessageBoxW(g_launcher.messageOwner, shown, caption, MB_OK | MB_ICONERROR);
    } else {
        writeToStandardError(shown);
    }
    std::free(composed);
}

void showMessage(int messageId, const wchar_t* argument) {
    wchar_t text[kMessageCapacity];
    formatMessage(messageId, argument, text);
    showError(text);
}

void showMessage8(int messageId, const char* argument) {
    wchar_t text[kMessageCapacity];
    formatMessage8(messageId, argument, text);
    showError(text);
}

void failText(const wchar_t* text) {
    showError(text);
    exitLauncher(1);
}

void failMessage(int messageId) {
    wchar_t text[kMessageCapacity];
    getMessage(messageId, text);
    showError(text);
    exitLauncher(1);
}

void failMessageArg(int messageId, const wchar_t* argument) {
    showMessage(messageId, argument);
    exitLauncher(1);
}

void failMessageArg8(int messageId, const char* argument) {
    showMessage8(messageId, argument);
    exitLauncher(1);
}

void failPayloadBox(HWND owner, int messageId) {
    wchar_t text[kMessageCapacity];
    wchar_t caption[kMessageCapacity];
    getMessage(messageId, text);
    closeSplash();
    if (unattended()) writeWithLogPath(text);
    getMessage(kMsgWizardCaption, caption);
    MessageBoxW(owner, text, caption, MB_OK | MB_ICONERROR);
    exitLauncher(1);
}

void failPayloadQuietly(int messageId) {
    wchar_t text[kMessageCapacity];
    getMessage(messageId, text);
    writeWithLogPath(text);
    exitLauncher(1);
}

void exitLauncher(int exitCode) {
    removeExtractionDir();
    settleHandOverPreparation();
    clearOwnInstallMarkers();
    // A start that did not fail leaves no log; the at-exit action that
    // deletes it after a return from the entry point does not run here.
    if (exitCode != kFailureExitCode) endLog();
    ExitProcess(static_cast<UINT>(exitCode));
}

namespace {

// The extraction directory in UTF-16, when an end is to remove it: never in
// language-restart mode (the directory is the earlier run's), never a
// relative one.
bool extractionDirToRemove(wchar_t* wide) {
    const char* directory = g_launcher.extractionDir;
    if (g_launcher.langRestart || directory[0] == '\0' || directory[0] == '.') return false;
    return fromFileCodePage(directory, wide, kPathCapacity);
}

}  // namespace

void removeExtractionDir() {
    wchar_t wide[kPathCapacity];
    if (!extractionDirToRemove(wide)) return;
    // The work routine makes the extraction directory the current one,
    // and a current directory cannot be removed.
    leaveDirectory(g_launcher.extractionDir);
    logMessage(L"emptying %S", g_launcher.extractionDir);
    Removal removal = removeTree(wide);
    if (removal == Removal::kLinkLeft) return;  // nothing a second try could change
    if (removal == Removal::kFailed) {
        if (fileExists(wide)) handOverForDeletion(wide, HandOverNote::kLogged);
        return;
    }
    // The empty file that reserved the directory's name goes with it.
    ParentCache parents;
    if (g_launcher.reservationFile[0] && fromFileCodePage(g_launcher.reservationFile, wide, kPathCapacity))
        removeEntry(wide, parents);
}

void prepareExtractionDirHandOver() {
    wchar_t wide[kPathCapacity];
    if (extractionDirToRemove(wide)) prepareHandOver(wide);
}

void handOverExtractionDir() {
    wchar_t wide[kPathCapacity];
    if (extractionDirToRemove(wide)) handOverForDeletion(wide, HandOverNote::kSilent);
}

namespace {

// The exception's toString(), into a log line; nothing when any step fails.
void logExceptionText(JNIEnv* env, jthrowable exception) {
    jclass type = env->GetObjectClass(exception);
    jmethodID toString = type ? env->GetMethodID(type, "toString", "()Ljava/lang/String;") : nullptr;
    jstring text = toString ? static_cast<jstring>(env->CallObjectMethod(exception, toString)) : nullptr;
    if (env->ExceptionCheck()) env->ExceptionClear();
    JavaStringCopy line(env, text, StringUse::kShown);
    if (!line.get()) return;
    // Cut to a message buffer, as every text the launcher shows is.
    logError(L"%.*s", static_cast<int>(kMessageCapacity - 1), line.get());
}

}  // namespace

bool checkJavaException(JNIEnv* env, JavaExceptionReport report) {
    jthrowable exception = env->ExceptionOccurred();
    if (!exception) return true;
    logError(L"an exception occurred");
    // Calling into Java while an exception is pending is not allowed, so the
    // exception is cleared before its text is asked for and raised again only
    // for the VM to print it.
    env->ExceptionClear();
    logExceptionText(env, exception);
    if (report == kLogAndDescribe) {
        env->Throw(exception);
        env->ExceptionDescribe();
    }
    env->ExceptionClear();
    return false;
}
