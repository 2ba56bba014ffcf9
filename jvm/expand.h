// Launcher variables: "%KAVRO_EXEDIR%", "${launcher:sys.jvmHome}", "${NAME}"
// for environment variables and the rest, replaced in place. The result never
// exceeds the caller's capacity (a long expansion is cut).
#pragma once
#include <cstddef>

// The executable and temp directories in forms that survive the file-API
// code page (taken from their 8-bit paths), or in their long UTF-16 forms.
enum ExpansionForm { kEightBitSafe, kFullUnicode };
void expandVariables(wchar_t* text, size_t capacity, ExpansionForm form);
void expandVariablesAnsi(char* text, size_t capacity);
