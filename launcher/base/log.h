// The launcher log: one UTF-8 text file in the temp directory, written a whole
// line at a time under one lock, so that it survives a crash up to its last
// line. Deleted at a normal exit unless kept or shown. At most 8 MB.
#pragma once
#include <cstdarg>

// Format directives follow launcher/base/wformat.h (%s UTF-16, %S 8-bit, %I64d ...).
void logMessage(const wchar_t* format, ...);
void logError(const wchar_t* format, ...);  // the line starts with "ERROR: "
void logMessageV(const wchar_t* format, va_list args);
void logErrorV(const wchar_t* format, va_list args);

// The log's path, or null before the first log call. Handing the path out
// keeps the file at exit: whoever saw it may want to read it.
const wchar_t* logFilePath();

// Moves the log into another directory (the user's "-temp" choice), keeping
// what it holds; the log goes on there. False when nothing was moved.
bool moveLogTo(const wchar_t* directory);

// The log stays when the process ends (the keep-log switch).
void keepLogAtExit();

// What a normal exit does with the log, done now for an end that bypasses
// the at-exit actions (ExitProcess, the JVM's own exit): the file is deleted
// unless kept or its path was handed out; later lines are dropped then.
void endLog();
