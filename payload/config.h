// The configuration store: numbered 8-bit settings and numbered UTF-16
// messages read from the payload once at start-up, read-only afterwards.
// A missing key reads as an empty string (0 as an integer); no getter fails.
#pragma once
#include <cstddef>

#include "launcher/base/limits.h"

constexpr size_t kMessageCapacity = 6000;  // units of every message buffer

// Copies the setting, cut to size - 1 bytes (logged when cut), NUL-terminated.
void getConfigString(int id, char* buffer, size_t size);
// The setting converted like atoi; 0 when missing or not a number.
int getConfigInt(int id);
// A heap copy of the setting that the caller frees with free().
char* getConfigStringCopy(int id);
// The setting widened from the file-API code page (cut to fit).
void getConfigStringWide(int id, wchar_t* buffer, size_t units);
// The message into a kMessageCapacity buffer (cut to fit); true when present.
bool getMessage(int id, wchar_t* buffer);
// The message, or the widened setting of the same id when the message is empty.
void getMessageOrConfig(int id, wchar_t* buffer);
// getMessageOrConfig with the first "{0}" replaced by the argument (if any).
void formatMessage(int id, const wchar_t* argument, wchar_t* buffer);
void formatMessage8(int id, const char* argument, wchar_t* buffer);

// Filling the store (the payload reader) and emptying it. The store takes
// ownership of text allocated with malloc; an id stored again replaces the old text.
// False when there was no memory for the entry (the text is freed then).
bool setConfigEntry(int id, char* text);
bool setMessageEntry(int id, wchar_t* text);
bool hasMessageEntry(int id);
void clearConfiguration();
