// Conversions between UTF-16 and the code page of the 8-bit file functions
// (ANSI, or OEM when the process switched them). Every output is bounded by
// the capacity passed with it.
#pragma once
#include <windows.h>

#include <string>

// The default character for what a code page lacks: "?", or none for UTF-8
// and UTF-7, for which Windows refuses the whole conversion when one is given.
const char* defaultCharFor(UINT codePage);
// False when a character needed the default or the result does not fit.
bool toCodePage(UINT codePage, const wchar_t* text, char* out, size_t capacity);
// A malloc'd copy in the code page, the default for what it lacks; null when
// it cannot be made.
char* newCodePageCopy(UINT codePage, const wchar_t* text);

#include <cstddef>

// False when a character needed the default "?" or the result does not fit.
bool toFileCodePage(const wchar_t* text, char* out, size_t capacity);
bool fromFileCodePage(const char* text, wchar_t* out, size_t capacity);
// A malloc'd copy in the file-API code page, "?" for what it lacks; null
// when it cannot be made.
char* newFileCodePageCopy(const wchar_t* text);
// The 8-bit text in the file-API code page widened; bounded, what does not
// fit is cut. An 8-bit path or setting is only ever widened this way: the C
// runtime's conversion in the "C" locale maps each byte to the code point of
// the same number, which is wrong for every non-ASCII character.
std::wstring widenFileCodePage(const std::string& text);
void widenFileCodePage(const char* text, wchar_t* out, size_t capacity);
