// Reading the payload behind the executable's last PE section: the stream
// readers (each ends the process with its own message on a short read or an
// implausible length), locating the payload, and filling the configuration
// store at start-up.
#pragma once
#include <windows.h>

#include <cstdint>

class ArgumentList;

int32_t readInt(HANDLE file);
int64_t readLong(HANDLE file);
int16_t readShort(HANDLE file);
// New NUL-terminated strings owned by the caller (free()).
char* readString(HANDLE file);
wchar_t* readWString(HANDLE file);

// Opens the executable's own file for reading; ends the process on failure.
HANDLE openOwnExecutable();
// Positions the handle at the payload start; returns that offset.
int64_t seekPayloadStart(HANDLE file);

// Fills the configuration store (language blocks chosen with the argument
// list) and returns configuration key 107.
int readConfiguration(const ArgumentList* arguments);

// The two halves of readConfiguration around the language choice, for a
// handle at the payload start: the header and both tables (ends the process
// on a wrong magic; applies key 107 as soon as it is known), then the language
// blocks, those whose code is a prefix of languageCode overriding messages.
void readPayloadTables(HANDLE file);
void readLanguageBlocks(HANDLE file, const char* languageCode);

// Offset of the first file record, known once the configuration is read.
int64_t fileDataPosition();
// Offset just behind the last extracted record (set by the extraction).
int64_t unextractedPosition();
void setUnextractedPosition(int64_t position);

// Language and country chosen at start-up as two-character strings ("" when
// unset), e.g. "pt" and "BR"; set from a language code such as "pt_BR".
const char* selectedLanguage();
const char* selectedCountry();
void setSelectedLanguage(const char* languageCode);
