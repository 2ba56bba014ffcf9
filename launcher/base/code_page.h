// Conversions between UTF-16 and the code page of the 8-bit file functions
// (ANSI, or OEM when the process switched them). Every output is bounded by
// the capacity passed with it.
#pragma once
#include <cstddef>

// False when a character needed the default "?" or the result does not fit.
bool toFileCodePage(const wchar_t* text, char* out, size_t capacity);
bool fromFileCodePage(const char* text, wchar_t* out, size_t capacity);
// A malloc'd copy in the file-API code page, "?" for what it lacks; null
// when it cannot be made.
char* newFileCodePageCopy(const wchar_t* text);
