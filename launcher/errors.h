// Fatal and user-visible errors, and the one way the launcher ends a process
// after a failure: show the text (box or standard error, with the log's path),
// remove the extraction directory, terminate.
#pragma once
#include <jni.h>
#include <windows.h>

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

// Removes the extraction directory (unless in language-restart mode) and
// terminates at once: no at-exit actions run, other threads stop where they are.
[[noreturn]] void exitLauncher(int exitCode);

// Deletes what a directory holds. Subdirectories are removed when empty;
// with kEmptySubdirectories their files are deleted first (one level down).
// Failures are ignored.
enum SubdirectoryHandling { kRemoveEmptySubdirectories, kEmptySubdirectories };
void emptyDirectory(const char* path, SubdirectoryHandling subdirectories);

// True when no Java exception is pending; otherwise logs it (and with
// kLogAndDescribe has the VM print it), clears it and returns false.
enum JavaExceptionReport { kLogOnly, kLogAndDescribe };
bool checkJavaException(JNIEnv* env, JavaExceptionReport report);
