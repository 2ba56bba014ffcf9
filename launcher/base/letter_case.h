// Case conversion in place, with the system's simple (file-system) case
// mapping, the one CharUpper and CharLower apply. Kept to kernel32 so that a
// start that never shows a window never loads user32, which the launcher
// loads on first use (see cmake/delay_imports.cmake).
#pragma once
#include <cstddef>

void toLowerCase(wchar_t* text, size_t length);
void toUpperCase(wchar_t* text, size_t length);
// 8-bit text in the ANSI code page, converted through UTF-16; a text that
// would not come back in the same number of bytes is left as it was.
void toUpperCase(char* text, size_t length);
