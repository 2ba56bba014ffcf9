// Fatal and user-visible errors, and the one way the launcher ends a process
// after a failure: show the text (box or standard error, with the log's path),
// remove the extraction directory, terminate.
#pragma once
#include <windows.h>
#include <jni.h>

void showError(const wchar_t* text);
void showMessage(int messageId, const wchar_t* argument = nullptr);
void showMessage8(int messageId, const char* argument);
[[noreturn]] void failText(const wchar_t* text);
[[noreturn]] void failMessage(int messageId);
[[noreturn]] void failMessageArg(int messageId, const wchar_t* argument = nullptr);
[[noreturn]] void failMessageArg8(int messageId, const char* argument);

// A failure of the payload itself (damaged, or the disk full while extracting):
// the message in a box captioned like the progress dialog and owned by it,
// whatever the message-box setting says and without the log's path; then
// exitLauncher(1). A quiet or console run writes the message and the log's
// path to standard error first, for whoever runs it unattended.
[[noreturn]] void failPayloadBox(HWND owner, int messageId);
// The same failure in a quiet run that shows no box: standard error only.
[[noreturn]] void failPayloadQuietly(int messageId);

// The exit code of every failure.
constexpr int kFailureExitCode = 1;

// Removes the extraction directory, clears the install-started values this
// process wrote and, unless the code is kFailureExitCode, ends the log as a
// normal exit would; then terminates at once: no at-exit actions run, other
// threads stop where they are.
[[noreturn]] void exitLauncher(int exitCode);

// The extraction directory with everything in it and the empty file that
// reserved its name (not in language-restart mode). Links inside are removed
// as links or left, never followed. What this process still holds open (the
// JVM's jars) goes to the deletion mode, which waits until it has ended.
void removeExtractionDir();
// The ends of a launch that ran the JVM (main returned, System.exit): the JVM
// holds the jars until the process ends, so the whole directory goes to the
// deletion mode, whose process is best started while the JVM is being made.
void prepareExtractionDirHandOver();
void handOverExtractionDir();

// True when no Java exception is pending; otherwise logs it (and with
// kLogAndDescribe has the VM print it), clears it and returns false.
enum JavaExceptionReport { kLogOnly, kLogAndDescribe };
bool checkJavaException(JNIEnv* env, JavaExceptionReport report);
